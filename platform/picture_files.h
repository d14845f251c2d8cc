// The picture files the windows keep in the program folder, and the one
// message that tells a metafile could not be made.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quble {

inline constexpr const char* kCurPicFile = "CurPic.emf";
inline constexpr const char* kCurPic2File = "CurPic2.emf";
inline constexpr const char* kSvClipMFFile = "SvClipMF.emf";
inline constexpr const char* kSvClipMFSFFile = "SvClipMFSF.emf";
// Shown (plain message box, the application's title) when a metafile cannot
// be made.
inline constexpr const char* kMetafileFailedMessage = "NECA DE PITIBIRIBA";
// The message of a metafile that could not be made or kept: the program's
// text, then why (the disk is full, the folder is read-only, ...), so the
// user can do something about it.
std::string MetafileFailedText(const std::string& why);

// name inside folder ("/" separated); name alone when folder is empty.
std::string ProgramFile(const std::string& folder, const char* name);

// Keeps a metafile taken from the clipboard as the formula picture file
// (kSvClipMFFile or kSvClipMFSFFile): checked, then written unchanged.
bool SaveClipMF(const std::vector<std::uint8_t>& clipEmf, const std::string& folder, const char* fileName,
                std::string* error);

}  // namespace quble
