// The zip archive service: lists the entries of a zip archive, extracts one
// entry to a file or a blob, writes archives, and compresses, decompresses
// and checksums blobs and files, over zlib and minizip.
//
// A local variable of the type is a ready service. It keeps no archive of its
// own: every operation gets its handle from the caller, and the caller closes
// what it opened. File names are program paths (GBK, "\"); an entry's name
// inside an archive is GBK with "/" separators.
//
// Failures reach the user as message boxes titled "ZLib Error in " and the
// function's name, with the stop icon and an OK button.
#pragma once

#include "runtime/value.h"

#include <cstdint>
#include <optional>
#include <string>

class n_zlib {
public:
    // An archive open for reading (of_unzopen) or for writing (of_zipopen);
    // a null handle means that no archive is open.
    struct unz_archive;
    struct zip_archive;
    using unzfile = unz_archive*;
    using zipfile = zip_archive*;

    // A blob that may be null: the compression and file functions set their
    // destination to null on failure.
    using nblob = std::optional<rt::blob>;

    // ---- zlib, minizip and file constants, with their published values ----
    static constexpr std::int16_t z_ok = 0;
    static constexpr std::int16_t z_stream_end = 1;
    static constexpr std::int16_t z_need_dict = 2;
    static constexpr std::int16_t z_errno = -1;
    static constexpr std::int16_t z_stream_error = -2;
    static constexpr std::int16_t z_data_error = -3;
    static constexpr std::int16_t z_mem_error = -4;
    static constexpr std::int16_t z_buf_error = -5;
    static constexpr std::int16_t z_version_error = -6;
    static constexpr std::int16_t unz_ok = 0;
    static constexpr std::int16_t unz_end_of_list_of_file = -100;
    static constexpr std::int16_t unz_paramerror = -102;
    static constexpr std::int16_t unz_badzipfile = -103;
    static constexpr std::int16_t unz_internalerror = -104;
    static constexpr std::int16_t unz_crcerror = -105;
    static constexpr std::int16_t zip_ok = 0;
    static constexpr std::int16_t zip_errno = -1;
    static constexpr std::int16_t zip_paramerror = -102;
    static constexpr std::int16_t zip_internalerror = -104;
    static constexpr std::int16_t z_deflated = 8;
    static constexpr std::int16_t z_default_compression = -1;
    static constexpr std::int16_t z_default_strategy = 0;
    static constexpr std::int16_t max_mem_level = 9;
    static constexpr std::int16_t def_mem_level = 8;
    static constexpr std::int16_t max_wbits = 15;
    static constexpr std::uint32_t invalid_handle_value = 4294967295u;
    static constexpr std::uint32_t generic_read = 2147483648u;
    static constexpr std::uint32_t generic_write = 1073741824u;
    static constexpr std::uint32_t file_share_read = 1;
    static constexpr std::uint32_t file_share_write = 2;
    static constexpr std::uint32_t create_new = 1;
    static constexpr std::uint32_t create_always = 2;
    static constexpr std::uint32_t open_existing = 3;
    static constexpr std::uint32_t open_always = 4;
    static constexpr std::uint32_t truncate_existing = 5;

    // ---- compression, checksums and whole files ----------------------------
    // The MIME type of the data (at most 25 characters); null when none is found.
    rt::nstring of_findmimefromdata(const std::string& as_filename, const rt::blob& ablob_data);
    // The CRC-32 of the whole file; 0 when it cannot be read.
    std::uint32_t of_getfilecrc(const std::string& as_filename);
    // True when the whole file was read; a failed open leaves `ablob_data`
    // as it was, a failed read makes it null.
    bool of_readfile(const std::string& as_filename, nblob& ablob_data);
    // True when the blob became the file's whole content.
    bool of_writefile(const std::string& as_filename, const rt::blob& ablob_data);
    std::string of_zlibversion();
    // A zlib stream of the source; on failure `ablob_dest` is null after the box.
    bool of_compress(const rt::blob& ablob_source, nblob& ablob_dest);
    // The text form: the bytes of a zero-terminated text.
    bool of_compress(const char* as_source, nblob& ablob_dest);
    // `aul_destlen` is the size of the decompressed data, which a zlib stream
    // does not carry; a larger size still gives exactly the data.
    bool of_uncompress(const rt::blob& ablob_src, std::uint32_t aul_destlen, nblob& ablob_dest);
    // The text form: the data up to their first zero byte; "" on failure.
    bool of_uncompress(const rt::blob& ablob_src, std::uint32_t aul_destlen, std::string& as_dest);

    // ---- listing -----------------------------------------------------------
    // Whether bit number `aui_bit` (1 the lowest, up to 32) is set.
    bool of_getbit(std::uint32_t al_decimal, std::uint16_t aui_bit);
    // Every occurrence replaced, the search resuming after the inserted text.
    std::string of_replaceall(const std::string& as_oldstring, const std::string& as_findstr,
                              const std::string& as_replace);
    // One line per entry (ten TAB-separated columns), joined by CR LF;
    // folder entries give no line; "" when the archive cannot be opened.
    std::string of_directory(const std::string& as_filename);
    // The read handle, positioned on the first entry; null after a box.
    unzfile of_unzopen(const std::string& as_filename);
    int of_unzclose(unzfile aul_unzfile);
    std::string of_unzgetglobalcomment(unzfile aul_unzfile);
    int of_unzgotofirstfile(unzfile aul_unzfile);
    int of_unzgotonextfile(unzfile aul_unzfile);
    // The current entry's line, or "" for a folder entry.
    std::string of_unzgetcurrentfileinfo(unzfile aul_unzfile);
    // The type name of a file, judged by its name only; "" when unknown.
    std::string of_getfiledescription(const std::string& as_filename);
    // The system's text for the last error of the calling thread.
    std::string of_getlasterror();

    // ---- password ----------------------------------------------------------
    // Used to read and to write encrypted entries; "" means none.
    void of_setpassword(const std::string& as_password);
    std::string of_getpassword();

    // ---- writing -----------------------------------------------------------
    // A new archive (an existing file is replaced); null after a box.
    zipfile of_zipopen(const std::string& as_filename);
    // Writes the central directory with the comment and ends the archive;
    // the handle is gone afterwards.
    int of_zipclose(zipfile aul_zipfile, const std::string& as_comment);
    // Starts an entry named, dated and attributed after the file on disk:
    // 0 when open for writing, -1 when the file is not found.
    int of_zipopennewfileinzip(zipfile aul_zipfile, const std::string& as_filename);
    // 1 text, 0 not text, 2 the file cannot be opened.
    int of_internal_fa(const std::string& as_filename);
    int of_zipclosefileinzip(zipfile aul_zipfile);
    int of_zipwriteinfileinzip(zipfile aul_zipfile, const rt::blob& ablob_data);

    // ---- extraction --------------------------------------------------------
    // The entry (found without regard to case; "" for the current one) into
    // the blob; false after a box.
    bool of_extractblob(unzfile aul_unzfile, const std::string& as_filename, rt::blob& ablob_data);
    // Reads the open entry into a blob of `aul_destlen` bytes: 0 once the
    // whole entry is in, a negative code on failure, a positive count when
    // the blob filled up before the entry ended.
    int of_unzreadcurrentfile(unzfile aul_unzfile, rt::blob& ablob_data, std::uint32_t aul_destlen);
    int of_unzclosecurrentfile(unzfile aul_unzfile);
    // Adds the disk file `as_filename` as an entry named, dated and
    // attributed after the disk file `as_nameinzip`.
    int of_importfile(zipfile aul_zipfile, const std::string& as_filename, const std::string& as_nameinzip);
    // The entry (found without regard to case; "" for the current one) into
    // the file `as_filename`, which is created or replaced; false after a
    // box, and then no partial file is left.
    bool of_extractfile(unzfile aul_unzfile, const std::string& as_filename, const std::string& as_nameinzip);
    // Adds the blob as an entry named, dated and attributed after the disk
    // file `as_filename`.
    int of_importblob(zipfile aul_zipfile, const std::string& as_filename, const rt::blob& ablob_data);
    bool of_currentfilehaspassword(unzfile aul_unzfile);

private:
    std::string is_password;
};
