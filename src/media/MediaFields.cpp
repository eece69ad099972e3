#include "media/MediaFields.h"

#include "media/CMedia.h"

namespace tessaron {

namespace {

using M = CMedia;
const MediaField kFields[] = {
    {"mediumId", &M::mediumId},
    {"name", &M::name},
    {"filePath", &M::filePath},
    {"artist", &M::artist},
    {"genre", &M::genre},
    {"pitch", &M::pitch},
    {"sampleRate", &M::sampleRate},
    {"tempo", &M::tempo},
    {"tempoPercent", &M::tempoPercent},
    {nullptr, std::monostate{}},
    {"startOffset", &M::startOffset},
    {"endOffset", &M::endOffset},
    {"fileTime", &M::fileTime},
    {"volume", &M::volume},
    {"gainDb", &M::gainDb},
    {"pan", &M::pan},
    {"flags", &M::flags},
    {"year", &M::year},
    {"extraText1", &M::extraText1},
    {"keyName", &M::keyName},
    {"pairs", &M::pairsText},
    {"album", &M::album},
    {"extraText2", &M::extraText2},
    {"extraText3", &M::extraText3},
    {"comment", &M::comment},
    {"extraValue9", &M::extraValue9},
    {"pcKey", &M::pcKey},
    {"midiNote", &M::midiNote},
    {"beatCount", &M::beatCount},
    {"deviceIndex", &M::deviceIndex},
    {"eqGain3", &M::eqGain3},
    {"eqGain2", &M::eqGain2},
    {"eqGain1", &M::eqGain1},
    {"triggerMode", &M::triggerMode},
    {"loopCount", &M::loopCount},
    {"dataSize", &M::dataSize},
    {"duration", &M::duration},
    {"backColour", &M::backColour},
    {"textColour", &M::textColour},
    {"markColour", &M::markColour},
    {"extraValue10", &M::extraValue10},
    {"extraText7", &M::extraText7},
    {"extraValue11", &M::extraValue11},
    {"bufferLengthText", &M::bufferLengthText},
    {"extraText6", &M::extraText6},
    {"extraText5", &M::extraText5},
    {"markerCount", &M::markerCount},
    {"extraValue2", &M::extraValue2},
    {"formatInfo", &M::formatInfo},
    {"fadeIn", &M::fadeIn},
    {"fadeOut", &M::fadeOut},
};

}  // namespace

std::span<const MediaField> MediaFields() { return kFields; }

}  // namespace tessaron
