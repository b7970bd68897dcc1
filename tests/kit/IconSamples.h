#pragma once

// Icon files made in memory, and the checks the resource update tests share.

#include "kit/ExeResources.h"
#include "kit/KoClass.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace quindle::test {

// An icon file whose images are (width, byte count) pairs of recognisable filler bytes.
inline std::string MakeIcon(const std::vector<std::pair<int, int>>& images, char fill = 'a') {
    auto put16 = [](std::string& s, unsigned v) {
        s += char(v & 0xFF);
        s += char((v >> 8) & 0xFF);
    };
    auto put32 = [&](std::string& s, unsigned v) {
        put16(s, v & 0xFFFF);
        put16(s, v >> 16);
    };
    std::string head, data;
    put16(head, 0);
    put16(head, 1);
    put16(head, unsigned(images.size()));
    unsigned offset = unsigned(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        head += char(images[i].first);
        head += char(images[i].first);
        head += char(0);
        head += char(0);
        put16(head, 1);
        put16(head, 32);
        put32(head, unsigned(images[i].second));
        put32(head, offset);
        data += std::string(std::size_t(images[i].second), char(fill + i));
        offset += unsigned(images[i].second);
    }
    return head + data;
}

// Every resource of a program file, expecting them to be readable.
inline ResourceContainer LoadResourcesOk(const std::string& exe) {
    try {
        return LoadExeResources(exe);
    } catch (const EFileError& e) {
        ADD_FAILURE() << e.what();
        return ResourceContainer();
    }
}

// What replacing a program's main icon with that icon file says: "no error", the message of the
// update's error, or "EFileError: " and the file error's message.
inline std::string IconUpdateError(const std::string& exe, const std::string& ico) {
    try {
        ReplaceMainIcon(exe, ico);
    } catch (const EFileError& e) {
        return std::string("EFileError: ") + e.what();
    } catch (const Exception& e) {
        return e.what();
    }
    return "no error";
}

} // namespace quindle::test
