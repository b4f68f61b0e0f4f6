// Batches of pixmill-convert: many inputs converted into one output folder by
// worker threads of the tool (the library itself starts none).
#ifndef PIXMILL_TOOLS_BATCH_H
#define PIXMILL_TOOLS_BATCH_H

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace pmtool {

struct BatchJob {
    std::string input, output;
};

struct BatchResult {
    std::size_t done = 0, failed = 0;
    double seconds = 0.0;
};

// True when `path` names a folder ("-", standard input, never does).
bool isFolder(const std::string& path);

// The inputs of a batch: each argument that names a folder stands for the
// frames in it (files ending in .png, .pgm, .tif or .tiff, any case, sorted
// by name); other arguments are taken as given.  Throws std::runtime_error
// for a folder that cannot be read.
std::vector<std::string> batchInputs(const std::vector<std::string>& arguments);

// One job per input: the output is `folder`/<input name without its
// extension>.<extension>.  Throws std::runtime_error when two inputs would
// write the same output.
std::vector<BatchJob> batchJobs(const std::vector<std::string>& inputs, const std::string& folder,
                                const std::string& extension);

// Runs `convert` on every job on `threads` worker threads (at least 1).  A job
// that throws fails alone: "pixmill-convert: <message>" goes to `errors` and
// the other jobs go on.  When `progress` is set a line "[k/n] ..." on
// `errors` is redrawn after each job (for a terminal).
BatchResult runBatch(const std::vector<BatchJob>& jobs, unsigned threads,
                     const std::function<void(const BatchJob&)>& convert, std::FILE* errors, bool progress);

}  // namespace pmtool

#endif  // PIXMILL_TOOLS_BATCH_H
