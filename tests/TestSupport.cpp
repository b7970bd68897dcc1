#include "tests/TestSupport.h"
#include "kit/ResourceContainer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quindle::test {

TempDir::TempDir() {
    std::string tmpl =
        std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/case-XXXXXX";
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests make folders read-only; as a normal user they could not be emptied otherwise.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (!it->is_symlink())
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string PreparePrivateFolders() {
    std::string root = (std::filesystem::temp_directory_path() / "quindle-test-XXXXXX").string();
    if (!mkdtemp(root.data()))
        throw std::runtime_error("mkdtemp failed");
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
    return root;
}

void RemovePrivateFolders(const std::string& root) {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool PathExists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

unsigned FileMode(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

void CopyFile(const std::string& from, const std::string& to) {
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

std::string RunAndCapture(const std::string& program, const std::string& args, int* exitCode) {
    const std::string cmd = "'" + program + "' " + args;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        throw std::runtime_error("popen failed");
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int status = pclose(p);
    if (exitCode)
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

std::string ExeResource(const std::string& exe, std::uint16_t type, const std::string& name) {
    ResourceContainer c;
    int code = 0;
    if (ResourceContainer::Load(exe, c, code) != ContainerState::Ok)
        return "<damaged>";
    const ResourceEntry* e = c.Find(type, ResourceName::Text(name));
    return e ? e->Data : "<missing>";
}

bool IsRelaunchedRun(std::uint32_t pid) {
    // The environment a process started with; the show command of a relaunch is 6000 and more.
    std::ifstream in("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
    const std::string environment((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    const auto at = environment.find("QUINDLE_SHOWCMD=");
    return at != std::string::npos && std::atoi(environment.c_str() + at + 16) >= 6000;
}

} // namespace quindle::test
