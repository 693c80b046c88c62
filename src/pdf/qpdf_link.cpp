#include "qpdf_link.h"

#include "qpdf_module.h"

#include <dlfcn.h>

#include <cstddef>
#include <string>
#include <vector>

namespace tallomir::pdf {

namespace {

constexpr const char* moduleFile = "libtallomir_qpdf.so";

struct Loaded {
    const QpdfFunctions* functions = nullptr;
    std::string error;
};

// The module, looked for as the program's libraries are: in the folders of
// the program's run path. dlopen searches the run path of its caller, which
// is not the program where a wrapper calls it for the program (the address
// sanitizer's does), so the program's own search folders are tried by name
// as well. Null, and `error` set, where it is in none of them.
void* openModule(std::string& error) {
    constexpr int mode = RTLD_NOW | RTLD_LOCAL;
    if (void* module = dlopen(moduleFile, mode))
        return module;
    error = dlerror();
    void* program = dlopen(nullptr, RTLD_LAZY);
    Dl_serinfo size{};
    if (program == nullptr || dlinfo(program, RTLD_DI_SERINFOSIZE, &size) != 0)
        return nullptr;
    std::vector<std::max_align_t> buffer(size.dls_size / sizeof(std::max_align_t) + 1);
    auto* folders = reinterpret_cast<Dl_serinfo*>(buffer.data());
    *folders = size;
    if (dlinfo(program, RTLD_DI_SERINFO, folders) != 0)
        return nullptr;
    for (unsigned int i = 0; i < folders->dls_cnt; ++i) {
        const std::string path = std::string(folders->dls_serpath[i].dls_name) + '/' + moduleFile;
        if (void* module = dlopen(path.c_str(), mode))
            return module;
    }
    return nullptr;
}

Loaded load() {
    Loaded loaded;
    // Never unloaded: what it made (qpdf's loggers, gnutls) lives to the end.
    void* module = openModule(loaded.error);
    if (module == nullptr)
        return loaded;
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
