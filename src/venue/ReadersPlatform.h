#pragma once

#include <string>

namespace tolmarin::venue {

// The system calls of the tool's readers.

// The folder's identity on its file system ("DEVICE:INODE", or its resolved path where the
// system has no inodes); empty when the folder cannot be reached.
std::string FolderIdentity(const std::string& folder);

// An IP address in its one canonical spelling ("0:0::1" is "::1"); anything that is not an
// IP address as it was given.
std::string CanonicalAddress(const std::string& host);

}  // namespace tolmarin::venue
