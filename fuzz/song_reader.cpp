// Feeds arbitrary bytes to the song reader: it must end with a status or the archive error,
// never crash, hang or allocate beyond what the input can justify.
#include <cstddef>
#include <cstdint>

#include "framework/CArchive.h"
#include "media/CMedia.h"
#include "song/CAction.h"
#include "song/CChordwayDoc.h"
#include "song/CSongFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tessaron;
    for (auto mode : {CSongFile::ReadMode::ForPlaying, CSongFile::ReadMode::AsStored}) {
        CChordwayDoc doc;
        try {
            CArchive archive(std::span<const uint8_t>(data, size), CSongFile::Classes());
            if (CSongFile::Load(doc, archive, mode) == CSongFile::Status::Ok) {
                // What was read must store again.
                CArchive out;
                CSongFile::Store(doc, out);
                doc.ComputeSongLength();
                for (int i = 0; i < doc.EventCount(); ++i) {
                    doc.EventAt(i)->Label(i % 2 == 0);
                    doc.EventAt(i)->Length().LengthText();
                }
                for (int i = 0; i < doc.MediaCount(); ++i) {
                    doc.MediumAt(i)->FormatText();
                    doc.MediumAt(i)->SizeAndDurationText();
                    doc.MediumAt(i)->LoopCountText();
                    doc.MediumAt(i)->MidiNoteText();
                }
            }
        } catch (const CArchiveException&) {
        }
    }
    return 0;
}
