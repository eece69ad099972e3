#include "skin/SkinImagePlan.h"

#include "skin/SkinPaths.h"

namespace tessaron::skin {

namespace {

ImageSource FileIn(const std::string& folder, const std::string& file)
{
    return {ImageSource::From::File, JoinPath(folder, file), 0};
}

ImageSource Builtin(int32_t number) { return {ImageSource::From::Builtin, {}, number}; }

}  // namespace

ImagePlans PlanImages(const BitmapDefinitions& definitions, const std::string& bitmapFolder)
{
    ImagePlans plans;
    for (size_t i = 0; i < kBitmapDefinitionCount; ++i) {
        const BitmapDefinition& definition = definitions[i];
        ImagePlan& plan = plans[i];
        if (definition.source == kSourceNone) {
            continue;
        }
        // Only earlier definitions have their images by now; a later one shares nothing.
        if (definition.source >= 0 && definition.source < kSourceFilesOnly && definition.offFile.empty()) {
            if (static_cast<size_t>(definition.source) < i) {
                plan.sharesWith = definition.source;
            }
            continue;
        }
        plan.transparent = definition.transparent;
        if (definition.kind == BitmapKind::Three || !definition.thirdFile.empty()) {
            plan.threeImages = true;
            const std::string* files[] = {&definition.offFile, &definition.onFile, &definition.thirdFile};
            for (size_t k = 0; k < 3; ++k) {
                if (!files[k]->empty()) {
                    plan.images[k] = FileIn(bitmapFolder, *files[k]);
                }
            }
            continue;
        }
        const bool builtin = definition.source > kSourceFilesOnly;
        plan.buttonFace = definition.kind == BitmapKind::ButtonFace;
        if (!definition.offFile.empty()) {
            plan.images[0] = FileIn(bitmapFolder, definition.offFile);
            // Named files are not mixed with built-in images: without an on file, one image.
            if (!definition.onFile.empty()) {
                plan.images[1] = FileIn(bitmapFolder, definition.onFile);
            }
        } else if (builtin) {
            plan.images[0] = Builtin(definition.source);
            if (!definition.onFile.empty()) {
                plan.images[1] = FileIn(bitmapFolder, definition.onFile);
            } else if (definition.kind == BitmapKind::OffOn) {
                plan.images[1] = Builtin(definition.source + 1);
            }
        } else if (!definition.onFile.empty()) {
            plan.images[1] = FileIn(bitmapFolder, definition.onFile);
        }
    }
    return plans;
}

}  // namespace tessaron::skin
