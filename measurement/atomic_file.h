#pragma once
// Replacing a file on disk all at once: the data files and the calibration files are written
// into a new file beside the target, flushed to disk and renamed over it, so a reader (or a
// crash) never sees a half-written file and a failure leaves the previous one as it was.
#include <filesystem>
#include <string_view>

namespace measurement {

// Writes `content` as the whole new content of `path`. A symbolic link is followed (the file
// it points to is replaced, the link stays); the permissions of a replaced regular file are
// kept. False on any failure: the previous file (if any) is then untouched and no temporary
// file remains.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view content);

}  // namespace measurement
