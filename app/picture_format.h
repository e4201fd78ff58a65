// Which kind of picture a chart is saved as, from the file name the user gave.
#pragma once

#include <string_view>

namespace nimbrel {

enum class PictureFormat { jpeg, png, svg };

// By the name's extension, case ignored: .png, .svg, .jpg or .jpeg. A name with any other extension,
// or none, is saved as a JPEG, under the name as given.
PictureFormat pictureFormatOf(std::string_view fileName);

} // namespace nimbrel
