#include "outputs/network_libraries.h"

#include <dlfcn.h>

namespace nimbrel {

namespace {

// One library and its functions, looked up by name; `failure` is empty when all were found.
template <class Api>
struct Loaded {
    Api api;
    std::string failure;
};

template <class Api, class Fill>
Loaded<Api> load(const char* soname, Fill fill) {
    Loaded<Api> loaded;
    void* module = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* error = dlerror();
        loaded.failure = error ? std::string("cannot load ") + error : std::string("cannot load ") + soname;
        return loaded;
    }
    // The library stays loaded for the life of the program: its threads and callbacks may still run.
    const char* missing = fill(loaded.api, module);
    if (missing) loaded.failure = std::string(soname) + " lacks " + missing;
    return loaded;
}

#define NIMBREL_LIBRARY_LOOKUP(name)                                                                          \
    api.name = reinterpret_cast<decltype(api.name)>(dlsym(module, #name));                                   \
    if (!api.name) return #name;

const Loaded<MosquittoApi>& mosquitto() {
    static const Loaded<MosquittoApi> loaded =
        load<MosquittoApi>("libmosquitto.so.1", [](MosquittoApi& api, void* module) -> const char* {
            NIMBREL_MOSQUITTO_FUNCTIONS(NIMBREL_LIBRARY_LOOKUP)
            return nullptr;
        });
    return loaded;
}

const Loaded<CurlApi>& curl() {
    static const Loaded<CurlApi> loaded = load<CurlApi>("libcurl.so.4", [](CurlApi& api, void* module) -> const char* {
        NIMBREL_CURL_FUNCTIONS(NIMBREL_LIBRARY_LOOKUP)
        return nullptr;
    });
    return loaded;
}

#undef NIMBREL_LIBRARY_LOOKUP

} // namespace

bool loadMosquitto(std::string& failure) {
    failure = mosquitto().failure;
    return failure.empty();
}

bool loadCurl(std::string& failure) {
    failure = curl().failure;
    return failure.empty();
}

const MosquittoApi& mosquittoApi() {
    return mosquitto().api;
}

const CurlApi& curlApi() {
    return curl().api;
}

} // namespace nimbrel
