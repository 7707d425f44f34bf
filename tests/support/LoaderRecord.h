// Reading the record of the recording loader (tools/recording-loader), the
// stand-in for the game loader that writes what it was given to the file
// named by QUARROW_RECORD_FILE. The loader writes the record to a temporary
// file and renames it, so once the file exists it is complete. Shared by
// every test that starts the loader; header-only, it owns nothing.
#pragma once

#include "recording-loader/RecordHex.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace quarrow::test {

using record::Unhex;

// What the loader was started with: its argument vector and the file that
// ran. Both are empty when there is no record.
struct LoaderRecord {
    std::vector<std::string> arguments;
    std::string executable;
    std::vector<int> descriptors;
    std::vector<std::string> descriptorFiles; // what each descriptor is ("/dev/null", "socket:[...]")
    bool complete = false; // the record's closing "end" line was read
};

inline LoaderRecord ReadLoaderRecord(const std::filesystem::path& record)
{
    LoaderRecord result;
    std::ifstream in(record);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("arg=", 0) == 0) result.arguments.push_back(Unhex(line.substr(4)));
        if (line.rfind("exe=", 0) == 0) result.executable = Unhex(line.substr(4));
        if (line.rfind("fd=", 0) == 0) result.descriptors.push_back(std::stoi(line.substr(3)));
        if (line.rfind("fdfile=", 0) == 0) result.descriptorFiles.push_back(Unhex(line.substr(7)));
        if (line == "end") result.complete = true;
    }
    return result;
}

// Whether the record appeared within `timeout`. A loader is a process of
// its own, so a test that expects one has to give it the time to start.
inline bool WaitForLoaderRecord(const std::filesystem::path& record, std::chrono::seconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!std::filesystem::exists(record) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::filesystem::exists(record);
}

// The loader's arguments once its record has appeared; empty when no loader
// wrote one within `timeout` (zero to look once, for a loader that must not
// have run).
inline std::vector<std::string> WaitForLoaderArguments(const std::filesystem::path& record,
                                                       std::chrono::seconds timeout)
{
    // Under Wine the renamed record can be seen a moment before it can be
    // read whole, so the wait is for a complete record, not for the name.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (WaitForLoaderRecord(record, std::chrono::seconds(0))) {
            LoaderRecord read = ReadLoaderRecord(record);
            if (read.complete) return read.arguments;
        }
        if (std::chrono::steady_clock::now() >= deadline) return ReadLoaderRecord(record).arguments;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace quarrow::test
