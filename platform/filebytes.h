// Reading a whole file into memory exactly as it stands, for request texts that hosts name by
// path instead of passing them as strings.
#pragma once

#include <string>

namespace platform {

// Reads every byte of the file at strPath into strBytes, replacing what it held. A file whose
// size the system knows up front (a regular file) costs one allocation of that size and is read
// straight into place; a pipe is read in growing pieces. Nothing is translated: line ends, NUL
// bytes and a byte-order mark stay as they are. Directories and devices are refused, as the
// text-file reader refuses them.
//
// False when the file cannot be opened (*pbOpened false) or cannot be read to its end
// (*pbOpened true); nError then holds the system's error code, which FileErrorText
// (textfile.h) describes, and strBytes is empty. Throws std::bad_alloc when the file does not
// fit in memory.
bool ReadWholeFile(const std::string& strPath, std::string& strBytes, int& nError,
                   bool* pbOpened = nullptr);

} // namespace platform
