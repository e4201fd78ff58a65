// The library that draws a chart into a picture file for nimbrel-cli graph: the one part of nimbrel-cli
// that needs Qt, loaded only when a picture is asked for, so that every other command starts without Qt.
#pragma once

#include "presentation/chart_model.h"

#include <cstddef>

namespace nimbrel::cli {

// The library's file, beside the USB libraries (the program's folder in a build, the private library
// folder when installed), and its one entry point.
inline constexpr const char* kChartPictureLibrary = "libnimbrel-chart-picture.so";
inline constexpr const char* kSaveChartPicture = "nimbrel_save_chart_picture";

// Saves `model` as the picture at `path` (type by extension, as the Graph window's export), width x
// height pixels. False with why in `error` (cut to errorSize) when it fails; an old file is then kept.
using SaveChartPictureFn = bool (*)(const ChartModel* model, const char* path, int width, int height, char* error,
                                    std::size_t errorSize);

} // namespace nimbrel::cli
