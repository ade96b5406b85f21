// corpus.h -- the real-file corpus beside the checkout. A developer without it sees the
// corpus tests skipped; with UMBRAVEL_REQUIRE_CORPUS set (as CI sets it) a missing corpus
// fails them instead, so a broken checkout cannot pass as green.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

inline bool CorpusRequired() {
    const char* value = std::getenv("UMBRAVEL_REQUIRE_CORPUS");
    return value && *value && *value != '0';
}

// Ends the test (skipped, or failed when the corpus is required) when `where` is missing.
#define UMBRAVEL_NEED_CORPUS(where)                                                               \
    do {                                                                                         \
        const std::filesystem::path corpusPath_ = (where);                                       \
        if (!std::filesystem::exists(corpusPath_)) {                                             \
            if (CorpusRequired()) FAIL() << "the corpus is missing at " << corpusPath_;          \
            GTEST_SKIP() << "no corpus at " << corpusPath_;                                      \
        }                                                                                        \
    } while (0)
