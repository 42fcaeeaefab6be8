// What the e-book reader benchmarks share: the shared sample books, and one
// loop that times a reader in memory (no process start, no disk).
#pragma once

#include <benchmark/benchmark.h>

#include <string>

#include "convert/registry.h"

namespace folian::bench {

// The bytes of ../shared/formats/RELATIVE; empty when it is absent.
std::string FormatSample(const char* relative);

// Reads `input` once per iteration into a capped memory sink; a missing
// sample or a failed read skips the benchmark with the reason.
void RunReader(benchmark::State& state, convert::TextReader read, const std::string& input);

}  // namespace folian::bench
