// File functions that show minizip an archive with one byte in front of it.
//
// minizip takes an end record found at offset 0 for "not found", so an
// archive without entries, which is nothing but its end record, would not
// open. With one byte before it the record moves off 0, and minizip allows
// for bytes before an archive by itself (as it does for self-extractors).
#pragma once

#include <minizip/ioapi.h>

// Fills `def` for reading an archive that way; the archive is a native path.
void fill_padded_archive_io(zlib_filefunc64_def* def);
