// filestore.h -- files by name: the embedded archive first, the disk for any other name.
//
// Names are compared with ASCII case folding ("Files\Tenebrix.IT" finds
// "Files\Tenebrix.it"); a name that is not in the table is read relative to the current
// folder. Nothing here prints a message: failures are null or 0. Main thread only (the
// open-file list has no lock).
#pragma once

#include <cstdint>

#include "filestore/embedded_archive.h"

struct RgbImage;

// The bytes of the file, or null. Embedded files are not copied (read only); disk files
// are read whole into a heap block. Every successful open is matched by one close.
const uint8_t* OpenEmbeddedFile(const char* name);
// The same, with the number of bytes handed out (for a disk file: what was read, which
// can differ from an earlier size query when the file changed in between).
const uint8_t* OpenEmbeddedFileSized(const char* name, uint32_t* size);
// Forgets one open of data; frees a disk file's block. Unknown pointers are ignored.
void CloseEmbeddedFile(const uint8_t* data);
// The table's size for a table name, else the disk file's size; 0 when neither exists.
uint32_t GetEmbeddedFileSize(const char* name);
// 1 when the name can be opened for reading on the disk, else 0.
int FileExistsOnDisk(const char* name);

// The short-name loaders read "Files\" + shortName (at most 249 characters).
uint8_t* LoadFileCopy(const char* shortName, uint32_t* size);  // heap copy (free()), or null
RgbImage* LoadJpegImage(const char* shortName);                 // DestroyRgbImage, or null
RgbImage* LoadTgaImage(const char* shortName);                  // DestroyRgbImage, or null

// The position (1..729) of a table name, or 0.
int32_t FindEmbeddedFile(const char* name);
// 1 when the two names are equal under ASCII case folding.
int NamesEqualFolded(const char* a, const char* b);
// Uses another archive (tests); null restores the built-in one.
void SetEmbeddedArchive(const EmbeddedArchive* archive);
const EmbeddedArchive& CurrentEmbeddedArchive();
// Number of records on the open-file list.
int32_t OpenEmbeddedFileCount();
