// INI profile strings, on the file's bytes (GBK), as the runtime offers them.
//
// A line "[name]" opens a section; "key=value" holds a value; lines that are
// neither (blank lines, ";" comments) are kept but carry nothing. Section and
// key names match without regard to ASCII case, spaces and tabs around them
// not counting. Lines end with CR LF (LF alone is read too).
#pragma once

#include "runtime/value.h"

namespace rt {

// The value exactly as stored, spaces included ("key=" gives ""); the
// default only when the file, the section or the key is missing. A null
// argument gives null.
nstring ProfileString(const nstring& file, const nstring& section, const nstring& key,
                      const nstring& default_value);
// The same reading, on the bytes of an INI text already in memory.
nstring ProfileStringText(const std::string& text, const nstring& section, const nstring& key,
                          const nstring& default_value);

// Replaces the key's value in place, or adds "key=value" CR LF at the end of
// its section, or adds the section with the key at the end of the file
// (created when missing); every other byte stays as it was. 1, or -1 for a
// null argument, an empty section or key, a name that would not read back
// ("]" in a section, "=" in a key), a value holding CR or LF, or a file that
// cannot be read or written (a file without write permission included). The
// file is replaced whole through a new file beside it, keeping its mode; a
// symbolic link is written through to its target; a failure leaves it as it was.
int SetProfileString(const nstring& file, const nstring& section, const nstring& key, const nstring& value);

} // namespace rt
