// Every test run gets a private home, data, runtime and temporary folder, so nothing a test
// writes or locks touches the user's own, and parallel runs do not meet.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string root = (std::filesystem::temp_directory_path() / "quindle-test-XXXXXX").string();
    if (!mkdtemp(root.data()))
        return 2;
    for (const char* sub : {"/home", "/home/.local/share", "/runtime", "/tmp"})
        std::filesystem::create_directories(root + sub);
    // Packages copied below are served by web server workers that run as another account when
    // the tests run as the administrator: they must be able to pass through.
    for (const char* sub : {"", "/tmp"})
        std::filesystem::permissions(root + sub, std::filesystem::perms(0755));
    setenv("HOME", (root + "/home").c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CONFIG_HOME");
    setenv("XDG_RUNTIME_DIR", (root + "/runtime").c_str(), 1);
    setenv("TMPDIR", (root + "/tmp").c_str(), 1);
    const int result = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return result;
}
