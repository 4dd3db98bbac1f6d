// Files and folders on the system the layer runs on. Each backend folder
// defines these, with raylib's GetApplicationDirectory, ChangeDirectory,
// DirectoryExists and FileExists.
#pragma once

namespace rlp::files {

// Opens a regular file with data in it for reading and answers its
// descriptor; -1 after raylib's warning, "Failed to open file" when there is
// no such file (or it is a folder or a device), "Failed to read file" when it
// is empty.
int OpenToRead(const char *path);
void Close(int descriptor);

}  // namespace rlp::files
