#include <QtGlobal>

// Registers the pictures compiled into the ui library (a static library needs this call).
void initQ7320Resources() {}
