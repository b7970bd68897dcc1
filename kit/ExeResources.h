#pragma once

// The resources of an executable file as a whole, read into memory and written back in one
// replacement of the file: the appended container on POSIX, the PE resource section on Windows.

#include "kit/ResourceContainer.h"

#include <string>

namespace quindle {

// The system's error codes the resource update messages carry.
extern const int kResourceDamagedCode; // the resources cannot be taken apart
extern const int kResourceMissingCode; // a resource the update needs is not there

// Reads every resource of ExeFile. Raises EFileError naming the file and the system's reason,
// with kResourceDamagedCode when its resources cannot be taken apart.
ResourceContainer LoadExeResources(const std::string& ExeFile);
// Replaces ExeFile's resources by Resources, atomically. Raises EFileError naming the file and
// the system's reason.
void SaveExeResources(const std::string& ExeFile, const ResourceContainer& Resources);

} // namespace quindle
