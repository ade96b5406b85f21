// filestore.cpp -- the name table look-up, the open-file list and the disk fallback.
#include "filestore/filestore.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

enum : int32_t { kOriginSettingUp = -1, kOriginDisk = 0, kOriginEmbedded = 1 };

struct OpenFileRecord {
    const uint8_t* data;
    OpenFileRecord* next;
    int32_t origin;
};

OpenFileRecord* gOpenFiles = nullptr;  // newest first
const EmbeddedArchive* gArchive = &gEmbeddedArchive;

// Names are written with backslashes ("Files\Heart.lwo"); on the disk the separator is '/'.
std::string DiskPath(const char* name) {
    std::string path(name);
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

// The size the file system reports, or -1 when it cannot tell (or the name is a folder).
int64_t DiskFileSize(const char* name) {
    struct stat st;
    if (stat(DiskPath(name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return st.st_size;
}

void Push(OpenFileRecord* record) {
    record->next = gOpenFiles;
    gOpenFiles = record;
}

}  // namespace

int NamesEqualFolded(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(*a), cb = static_cast<unsigned char>(*b);
        if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca + ('a' - 'A'));
        if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb + ('a' - 'A'));
        if (ca != cb) return 0;
        if (ca == 0) return 1;
    }
}

int32_t FindEmbeddedFile(const char* name) {
    if (!name) return 0;
    for (int32_t p = 1; p < gArchive->length; ++p)
        if (NamesEqualFolded(gArchive->entries[p].name, name)) return p;
    return 0;
}

void SetEmbeddedArchive(const EmbeddedArchive* archive) { gArchive = archive ? archive : &gEmbeddedArchive; }
const EmbeddedArchive& CurrentEmbeddedArchive() { return *gArchive; }

const uint8_t* OpenEmbeddedFile(const char* name) {
    uint32_t size;
    return OpenEmbeddedFileSized(name, &size);
}

const uint8_t* OpenEmbeddedFileSized(const char* name, uint32_t* sizeOut) {
    *sizeOut = 0;
    if (!name) return nullptr;
    if (int32_t p = FindEmbeddedFile(name)) {
        // A table name whose file was not embedded is a missing resource: no disk look-up.
        const uint8_t* blob = gArchive->blobs[p];
        if (!blob) return nullptr;
        auto* record = static_cast<OpenFileRecord*>(std::malloc(sizeof(OpenFileRecord)));
        if (!record) return nullptr;
        record->data = blob;
        record->origin = kOriginEmbedded;
        Push(record);
        *sizeOut = gArchive->entries[p].size;
        return blob;
    }

    if (!FileExistsOnDisk(name)) return nullptr;
    int64_t size = DiskFileSize(name);
    if (size < 0) size = 0;
    if (size > INT32_MAX) return nullptr;
    FILE* file = std::fopen(DiskPath(name).c_str(), "rb");
    if (!file) return nullptr;
    auto* record = static_cast<OpenFileRecord*>(std::malloc(sizeof(OpenFileRecord)));
    if (!record) {
        std::fclose(file);
        return nullptr;
    }
    record->origin = kOriginSettingUp;
    // One byte more than asked, so that an empty file still gets a distinct block.
    auto* block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size) + 1));
    if (!block) {
        std::free(record);
        std::fclose(file);
        return nullptr;
    }
    // A file that shrank since its size was taken leaves the rest of the block zeroed.
    size_t got = std::fread(block, 1, static_cast<size_t>(size), file);
    if (got < static_cast<size_t>(size)) std::memset(block + got, 0, static_cast<size_t>(size) - got);
    std::fclose(file);
    record->data = block;
    record->origin = kOriginDisk;
    Push(record);
    *sizeOut = static_cast<uint32_t>(size);
    return block;
}

void CloseEmbeddedFile(const uint8_t* data) {
    OpenFileRecord* previous = nullptr;
    for (OpenFileRecord* r = gOpenFiles; r; previous = r, r = r->next) {
        if (r->data != data) continue;
        if (r->origin == kOriginDisk) std::free(const_cast<uint8_t*>(r->data));
        (previous ? previous->next : gOpenFiles) = r->next;
        std::free(r);
        return;
    }
}

uint32_t GetEmbeddedFileSize(const char* name) {
    if (!name) return 0;
    if (int32_t p = FindEmbeddedFile(name)) return gArchive->entries[p].size;
    int64_t size = DiskFileSize(name);
    if (size < 0 || size > UINT32_MAX) return 0;
    return static_cast<uint32_t>(size);
}

int FileExistsOnDisk(const char* name) {
    if (!name || DiskFileSize(name) < 0) return 0;
    FILE* file = std::fopen(DiskPath(name).c_str(), "rb");
    if (!file) return 0;
    std::fclose(file);
    return 1;
}

int32_t OpenEmbeddedFileCount() {
    int32_t n = 0;
    for (OpenFileRecord* r = gOpenFiles; r; r = r->next) ++n;
    return n;
}
