#include "batch.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <new>
#include <set>
#include <stdexcept>
#include <thread>

namespace pmtool {
bool isFolder(const std::string& path) {
    struct stat status;
    return path != "-" && stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

namespace {

bool isFrameName(std::string name) {
    for (char& ch : name) ch = char(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
    for (const char* extension : {".png", ".pgm", ".tif", ".tiff"}) {
        const std::size_t n = std::strlen(extension);
        if (name.size() > n && name.compare(name.size() - n, n, extension) == 0) return true;
    }
    return false;
}

std::string baseName(const std::string& path) {
    std::string name = path;
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    const std::size_t slash = name.rfind('/');
    if (slash != std::string::npos) name = name.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

std::vector<std::string> batchInputs(const std::vector<std::string>& arguments) {
    std::vector<std::string> inputs;
    for (const std::string& argument : arguments) {
        if (!isFolder(argument)) {
            inputs.push_back(argument);
            continue;
        }
        DIR* folder = opendir(argument.c_str());
        if (!folder) throw std::runtime_error("cannot read the folder '" + argument + "': " + std::strerror(errno));
        std::vector<std::string> names;
        while (const dirent* entry = readdir(folder))
            if (entry->d_name[0] != '.' && isFrameName(entry->d_name)) names.push_back(entry->d_name);
        closedir(folder);
        std::sort(names.begin(), names.end());
        const std::string prefix = argument.back() == '/' ? argument : argument + "/";
        for (const std::string& name : names) inputs.push_back(prefix + name);
    }
    return inputs;
}

std::vector<BatchJob> batchJobs(const std::vector<std::string>& inputs, const std::string& folder,
                                const std::string& extension) {
    std::vector<BatchJob> jobs;
    std::set<std::string> outputs;
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    for (const std::string& input : inputs) {
        const std::string output = prefix + (input == "-" ? "stdin" : baseName(input)) + "." + extension;
        if (!outputs.insert(output).second)
            throw std::runtime_error("two inputs would both be written to '" + output + "'");
        jobs.push_back({input, output});
    }
    return jobs;
}

BatchResult runBatch(const std::vector<BatchJob>& jobs, unsigned threads,
                     const std::function<void(const BatchJob&)>& convert, std::FILE* errors, bool progress) {
    const auto start = std::chrono::steady_clock::now();
    std::atomic<std::size_t> next{0};
    std::mutex report;
    BatchResult result;
    const auto work = [&] {
        for (std::size_t i; (i = next++) < jobs.size();) {
            std::string failure;
            try {
                convert(jobs[i]);
            } catch (const std::bad_alloc&) {
                failure = "'" + jobs[i].input + "': out of memory";
            } catch (const std::exception& error) {
                failure = error.what();
                // Messages name the file; add it where one does not.
                if (failure.find(jobs[i].input) == std::string::npos) failure = "'" + jobs[i].input + "': " + failure;
            }
            const std::lock_guard<std::mutex> lock(report);
            (failure.empty() ? result.done : result.failed) += 1;
            if (progress) std::fputs("\r\033[K", errors);
            if (!failure.empty()) std::fprintf(errors, "pixmill-convert: %s\n", failure.c_str());
            if (progress)
                std::fprintf(errors, "[%zu/%zu] %zu failed", result.done + result.failed, jobs.size(), result.failed);
            std::fflush(errors);
        }
    };
    std::vector<std::thread> workers;
    const unsigned count = std::max(1u, std::min<unsigned>(threads, unsigned(jobs.size())));
    for (unsigned t = 1; t < count; ++t) workers.emplace_back(work);
    work();
    for (std::thread& worker : workers) worker.join();
    if (progress) std::fputs("\r\033[K", errors);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

}  // namespace pmtool
