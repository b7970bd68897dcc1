#include "kit/File.h"

#include <climits>
#include <filesystem>

namespace quindle {

namespace {

std::string Reason(int Code) {
    std::string text = SystemErrorText(Code);
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
        text.pop_back();
    if (text.empty())
        text = "File I/O error " + std::to_string(Code);
    return text;
}

} // namespace

void RaiseFileError(int Code) {
    throw EFileError(Reason(Code), Code);
}

void RaiseFileErrorOn(const std::string& What, const std::string& Path, int Code) {
    throw EFileError("Unable to " + What + " " + Path + ": " + Reason(Code), Code);
}

std::int32_t TFile::GetSize() {
    const std::int64_t size = GetSize64();
    return size > INT32_MAX ? INT32_MAX : std::int32_t(size);
}

void TFile::ReadBuffer(void* Buffer, int Count) {
    if (Read(Buffer, Count) < Count)
        RaiseFileError(ERROR_HANDLE_EOF);
}

void CopyFileWithPermissions(const std::string& From, const std::string& To) {
    CopyFileContents(From, To);
    std::error_code ec;
    std::filesystem::permissions(To, std::filesystem::status(From, ec).permissions(), ec);
}

} // namespace quindle
