#pragma once

// The rebranded package: a folder "OutQNL" in the documents folder with runme (a copy of the
// program whose splash picture, icon and configuration are stamped by three service-mode
// processes), autorun.inf, the server stack, the database files when wanted, and an empty www.

#include <functional>
#include <string>

namespace quindle {

struct TBrandChoices;

// Where the package goes: "<documents>/OutQNL", made when missing.
std::string GetOutputDir();
// The default splash picture and icon, written from the program's resources into DataDir.
std::string ExtractDefaultSplash(const std::string& DataDir);
std::string ExtractDefaultIcon(const std::string& DataDir);

struct TPackageSources {
    std::string ProgramFile; // the program copied into the package (and running the modes)
    std::string AppPath;     // the folder beside it holding bin and data, with a separator
    std::string BrandFile;   // Brand.ini
    std::string DataDir;
    std::string DatabaseDir; // the database files the run uses: the package's data folder
    // Stop the run's database server in its orderly way for the copy of its files, and start
    // it again after; empty when no server runs.
    std::function<void()> StopDatabase, StartDatabase;
    // Lets a window's events run while the build waits for the system.
    std::function<void()> LetMessagesRun = [] {};
    // Told each step of the build as it begins, in a line for the author.
    std::function<void(const std::string&)> Progress = [](const std::string&) {};
    // The finished package's folder opens in the file manager (not for a build by a script).
    bool ShowFolder = true;
};
// The running program and its own folders; no database server runs.
TPackageSources OwnPackageSources(const std::string& BrandFile, const std::string& DataDir);

// The choices Brand.ini holds (raises when the port is no number).
TBrandChoices ReadBrandChoices(const std::string& BrandFile);
// Stores the confirmed choices in Brand.ini, then builds the package into the output folder,
// which it returns.
std::string WritePackage(const TBrandChoices& Choices, const TPackageSources& Sources);

} // namespace quindle
