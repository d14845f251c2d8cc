#include "platform/picture_files.h"

#include "platform/emf_format.h"
#include "platform/emf_surface.h"

namespace quble {

std::string ProgramFile(const std::string& folder, const char* name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool SaveClipMF(const std::vector<std::uint8_t>& clipEmf, const std::string& folder, const char* fileName,
                std::string* error) {
    EmfHeaderInfo h;
    if (!ParseEmfHeader(clipEmf.data(), clipEmf.size(), &h, error)) return false;
    EmfRecordWalker walk(clipEmf.data(), h.nBytes ? h.nBytes : clipEmf.size());
    EmfRecord rec;
    while (walk.Next(&rec)) {
    }
    if (!walk.error().empty()) {
        if (error) *error = walk.error();
        return false;
    }
    return WriteFileAtomically(ProgramFile(folder, fileName), clipEmf, error);
}

std::string MetafileFailedText(const std::string& why) {
    std::string t = kMetafileFailedMessage;
    if (!why.empty()) t += "\r\n" + why;
    return t;
}

}  // namespace quble
