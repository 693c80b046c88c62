#include "qpdf_link.h"

#include "qpdf_module.h"

#include <dlfcn.h>

namespace tallomir::pdf {

namespace {

constexpr const char* moduleFile = "libtallomir_qpdf.so";

struct Loaded {
    const QpdfFunctions* functions = nullptr;
    std::string error;
};

Loaded load() {
    Loaded loaded;
    // Never unloaded: what it made (qpdf's loggers, gnutls) lives to the end.
    void* module = dlopen(moduleFile, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        loaded.error = dlerror();
        return loaded;
    }
    using Entry = const QpdfFunctions* (*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(module, qpdfFunctionsSymbol));
    if (entry == nullptr) {
        loaded.error = dlerror();
        return loaded;
    }
    loaded.functions = entry();
    return loaded;
}

const Loaded& loaded() {
    static const Loaded once = load();
    return once;
}

} // namespace

const QpdfFunctions* qpdfModule() {
    return loaded().functions;
}

std::string qpdfMissing() {
    return std::string("Die PDF-Unterstützung (") + moduleFile + ") fehlt: " + loaded().error;
}

} // namespace tallomir::pdf
