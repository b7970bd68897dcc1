#pragma once

// Path helpers shared by every subsystem. Names of files and folders are matched without regard
// to letter case, as the packages we run were made on a system that does so.

#include <string>

namespace quindle {

extern const char PathDelim;
// What the platform adds to the name of a program file ("" here, ".exe" on Windows).
extern const char* const ExeSuffix;

// The system's delimiter, or the forward slash that Windows takes as well.
bool IsPathDelimiter(char C);
std::string IncludeTrailingPathDelimiter(const std::string& Path);
std::string ExcludeTrailingPathDelimiter(const std::string& Path);
std::string ExtractFileDir(const std::string& Path); // without the final delimiter
std::string ExtractFileName(const std::string& Path);
std::string JoinPath(const std::string& Dir, const std::string& Name);

// The path as it exists on disk: when it does not exist as written, each component is looked up
// ignoring letter case. A path that cannot be found either way comes back unchanged.
std::string ResolvePathCase(const std::string& Path);

// The stable form of an existing file's path that is handed to other programs (its canonical
// absolute path, relative paths counting from the program folder); empty when it is missing.
std::string GetShortPath(const std::string& Path);

bool FileExists(const std::string& Path);      // a file (not a folder) exists there
bool DirectoryExists(const std::string& Path); // a folder exists there
// The read-only attribute: a file that has it is never written, whoever runs the program.
bool HasReadOnlyAttribute(const std::string& Path);
bool ForceDirectories(const std::string& Path); // creates the folder and missing parents
// Creates the folder (and missing parents) when needed and leaves it to its owner alone.
bool ForcePrivateDirectory(const std::string& Path);
// This user may create files in the folder (a package installed by an administrator, or on a
// medium mounted read-only, is not).
bool IsFolderWritable(const std::string& Path);
// Something is at Path (as the file helpers would find it, a link not followed) that is not a
// plain file of this user. In a folder others may write to, such a name is neither written nor
// run.
bool IsForeignEntry(const std::string& Path);
// Replaces the file by a new one with Bytes that only its owner can read: it holds a secret.
// Nobody who had the old one open reads the new one. Raises EFileError.
void WritePrivateFile(const std::string& Path, const std::string& Bytes);
// A folder of this user alone that nobody else had made first: Path itself when it is one or
// could be made one, else nothing.
bool OwnPrivateDirectory(const std::string& Path);

} // namespace quindle
