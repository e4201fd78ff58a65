// libmosquitto and libcurl, loaded the first time an output needs them: a program that publishes and
// uploads nothing (most nimbrel-cli commands, a window without outputs) starts without them and the
// dozens of libraries they bring.
#pragma once

#include <curl/curl.h>
#include <mosquitto.h>

#include <string>

namespace nimbrel {

#define NIMBREL_MOSQUITTO_FUNCTIONS(X)                                                                          \
    X(mosquitto_lib_init) X(mosquitto_new) X(mosquitto_destroy) X(mosquitto_publish)                          \
    X(mosquitto_username_pw_set) X(mosquitto_tls_set) X(mosquitto_will_set) X(mosquitto_connect_callback_set) \
    X(mosquitto_disconnect_callback_set) X(mosquitto_publish_callback_set) X(mosquitto_reconnect_delay_set)   \
    X(mosquitto_connect_async) X(mosquitto_loop_start) X(mosquitto_loop_stop) X(mosquitto_disconnect)         \
    X(mosquitto_connack_string) X(mosquitto_strerror) X(mosquitto_log_callback_set)

#define NIMBREL_CURL_FUNCTIONS(X)                                                                             \
    X(curl_global_init) X(curl_easy_init) X(curl_easy_cleanup) X(curl_easy_setopt) X(curl_easy_getinfo)       \
    X(curl_easy_strerror) X(curl_easy_escape) X(curl_free) X(curl_multi_init) X(curl_multi_cleanup)           \
    X(curl_multi_add_handle) X(curl_multi_remove_handle) X(curl_multi_perform) X(curl_multi_poll)             \
    X(curl_multi_info_read) X(curl_url) X(curl_url_cleanup) X(curl_url_set) X(curl_url_get)

#define NIMBREL_LIBRARY_POINTER(name) decltype(&::name) name = nullptr;

// The functions that the MQTT publisher calls, by their own names.
struct MosquittoApi {
    NIMBREL_MOSQUITTO_FUNCTIONS(NIMBREL_LIBRARY_POINTER)
};
// The functions that the weather-network upload calls.
struct CurlApi {
    NIMBREL_CURL_FUNCTIONS(NIMBREL_LIBRARY_POINTER)
};

#undef NIMBREL_LIBRARY_POINTER

// Loads the library once (later calls give the first answer). False, with why in `failure`, when it or
// one of its functions is missing: that output then says so and sends nothing.
bool loadMosquitto(std::string& failure);
bool loadCurl(std::string& failure);

// The loaded functions; only after load...() said true.
const MosquittoApi& mosquittoApi();
const CurlApi& curlApi();

} // namespace nimbrel
