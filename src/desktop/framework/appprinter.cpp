#include "desktop/framework/appprinter.h"

#include <QCoreApplication>
#include <QPrinter>

namespace {

QPrinter* g_printer = nullptr;

// The printer goes with the application object, not after it.
void DropPrinter() {
    delete g_printer;
    g_printer = nullptr;
}

}  // namespace

QPrinter& AppPrinter() {
    if (!g_printer) {
        g_printer = new QPrinter(QPrinter::HighResolution);
        qAddPostRoutine(DropPrinter);
    }
    return *g_printer;
}
