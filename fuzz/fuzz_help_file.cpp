// The help file reader: any bytes are read or refused, never read out of bounds; what it
// reads is consistent (each title's topic exists when the file says so).
#include <cstddef>
#include <cstdint>
#include <string>

#include "hlp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    hlp::ReadFile file;
    std::string error;
    if (!hlp::ReadHelpFile(data, size, &file, &error)) return 0;
    for (const hlp::ReadTopic& t : file.topics) {
        for (const hlp::ReadParagraph& p : t.paragraphs) {
            for (const hlp::ReadRun& r : p.runs) {
                if (r.jump) file.TopicByHash(r.jump_hash);
            }
        }
    }
    return 0;
}
