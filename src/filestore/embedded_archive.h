// embedded_archive.h -- the name table and the blobs linked into the executable.
//
// The table is generated at build time from names.list and a content folder
// (embed_archive.cmake): position 0 is a placeholder that is never searched, positions
// 1..729 hold the files in their fixed order with the ids 500..1228. A file that was not
// in the content folder keeps its name and id, has size 0 and no blob, and cannot be
// opened. Sizes are known from the table alone.
#pragma once

#include <cstdint>

struct EmbeddedFileEntry {
    uint32_t resourceId;  // 499 + position
    uint32_t size;        // bytes of the blob; 0 when absent
    const char* name;     // "Files\..."
};

inline constexpr int32_t kEmbeddedTableLength = 730;  // 729 entries and the placeholder

struct EmbeddedArchive {
    const EmbeddedFileEntry* entries;  // kEmbeddedTableLength entries
    const uint8_t* const* blobs;       // per position: the file's bytes, or null when absent
    int32_t length;                    // kEmbeddedTableLength
};

// The archive built from UMBRAVEL_CONTENT_DIR.
extern const EmbeddedArchive gEmbeddedArchive;
