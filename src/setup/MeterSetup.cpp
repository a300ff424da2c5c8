#include "setup/MeterSetup.h"

#include "app/Umain.h"
#include "setup/Usetup.h"

MeterSetup::MeterSetup(TfrmMain& main) : QObject(&main), m_main(main) {}

MeterSetup::~MeterSetup() {
    // The dialog refers to this unit's state; let it go first.
    delete m_main.state().setupWindow;
    m_main.state().setupWindow = nullptr;
}

TfrmSetup* MeterSetup::dialog() const {
    return m_main.state().setupWindow;
}

void MeterSetup::Setup1Click() {
    if (TfrmSetup* d = m_main.state().setupWindow) {
        d->showNormal();
        return;
    }
    auto* d = new TfrmSetup(m_main);
    m_main.state().setupWindow = d;
    d->show();
}
