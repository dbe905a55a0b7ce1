// Writes the fuzzer's seed corpus from the golden command-line corpus: one file per case,
// holding the arguments that the case's argc lets SplitCommandLine read (argv[1] onwards),
// separated by NUL, as grammar_fuzzer reads them. Cases that give an empty input (the fuzzer
// always tries that one) and inputs already written are skipped. Earlier seeds in the output
// directory are removed first.
//
//   make_grammar_seeds <grammar_corpus.txt> <output directory>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "GoldenCorpus.h"

namespace {

constexpr const char* kPrefix = "seed-";

std::string JoinedArguments(const GoldenCase& goldenCase) {
  std::string joined;
  for (std::int32_t i = 1; i < goldenCase.argc; ++i) {
    if (i > 1) joined.push_back('\0');
    joined += goldenCase.argv[static_cast<std::size_t>(i)];
  }
  return joined;
}

int WriteSeeds(const std::string& corpusPath, const std::filesystem::path& directory) {
  const std::vector<GoldenCase> cases = ReadGoldenCorpus(corpusPath);
  std::filesystem::create_directories(directory);
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    if (entry.path().filename().string().starts_with(kPrefix)) {
      std::filesystem::remove(entry.path());
    }
  }
  std::set<std::string> written;
  for (const GoldenCase& goldenCase : cases) {
    if (goldenCase.argc <= 1) continue;
    const std::string seed = JoinedArguments(goldenCase);
    if (seed.empty() || !written.insert(seed).second) continue;
    char name[32];
    std::snprintf(name, sizeof name, "%s%03zu", kPrefix, written.size());
    std::ofstream out(directory / name, std::ios::binary);
    out.write(seed.data(), static_cast<std::streamsize>(seed.size()));
    if (!out) throw std::runtime_error("cannot write " + (directory / name).string());
  }
  std::printf("%zu seeds from %zu cases written to %s\n", written.size(), cases.size(),
              directory.string().c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <grammar_corpus.txt> <output directory>\n", argv[0]);
    return 2;
  }
  try {
    return WriteSeeds(argv[1], argv[2]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
