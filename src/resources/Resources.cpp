#include "resources/Resources.h"

#include <QtGlobal>

void initQ7320Resources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)registered;
}
