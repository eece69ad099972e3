#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "skin/SkinRecords.h"

namespace tessaron::skin {

// Where one image of a bitmap definition comes from.
struct ImageSource {
    enum class From { Nothing, File, Builtin };
    From from = From::Nothing;
    std::string path;    // File: the file in the bitmap folder
    int32_t number = 0;  // Builtin: the built-in image number
};

// How the images of one definition are loaded: either taken over from an earlier definition,
// or up to three images each from a file or a built-in image.
struct ImagePlan {
    int32_t sharesWith = -1;  // 0..17: take over that definition's images, sizes and colour
    std::array<ImageSource, 3> images;
    int32_t transparent = kNoColour;
    bool buttonFace = false;  // light grey becomes the desktop's button colour
    bool threeImages = false;
};

using ImagePlans = std::array<ImagePlan, kBitmapDefinitionCount>;

// The loading rules, apart from the pixels: what the Qt side loads for each definition.
ImagePlans PlanImages(const BitmapDefinitions& definitions, const std::string& bitmapFolder);

}  // namespace tessaron::skin
