// Making the configured outputs, for the window and `nimbrel-cli log` alike.
#pragma once

#include "outputs/output_queue.h"
#include "outputs/output_settings.h"
#include "station/clock.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace nimbrel {

// The queue with every configured output, not yet started; nothing when none is configured (then no
// thread runs at all). `status` receives the outputs' status texts from their own threads.
// `clock` is the one the history's records are stamped by.
std::unique_ptr<OutputQueue> makeOutputQueue(const OutputSettings& settings, const std::string& softwareVersion,
                                             std::function<void(const std::string&)> status,
                                             Clock& clock = systemClock());

// Sends one reading to every configured output, each with its own connection, and gives each
// output's name ("MQTT", "Upload") with its answer, in that order; nothing when none is configured.
std::vector<std::pair<std::string, OutputAnswer>> sendToEachOnce(const OutputSettings& settings,
                                                                 const std::string& softwareVersion,
                                                                 const OutputReading& reading);

} // namespace nimbrel
