// An archive from the update server: the listing, then the first entry
// extracted into a file of the caller's naming and into a blob. An entry's
// name is only ever looked up, never made into a path: the scratch folder
// holds nothing afterwards but the archive and that one file.
#include "fuzz/fuzz_support.h"
#include "zip/n_zlib.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path& folder = fuzzing::scratch();
    std::filesystem::remove_all(folder / "out");
    std::filesystem::create_directories(folder / "out");
    fuzzing::write_file(folder / "update.zip", std::string(reinterpret_cast<const char*>(data), size));
    const std::string archive = rt::program_path((folder / "update.zip").string());
    const std::string target = rt::program_path((folder / "out" / "entry.bin").string());

    n_zlib zlib;
    // Half the inputs reach the decryption of an encrypted entry.
    if (size % 2) zlib.of_setpassword("velotra");
    (void)zlib.of_directory(archive);
    n_zlib::unzfile uf = zlib.of_unzopen(archive);
    if (uf) {
        (void)zlib.of_unzgetglobalcomment(uf);
        int entries = 0;
        for (int rc = zlib.of_unzgotofirstfile(uf); rc == n_zlib::unz_ok && entries < 256;
             rc = zlib.of_unzgotonextfile(uf), ++entries)
            (void)zlib.of_unzgetcurrentfileinfo(uf);
        zlib.of_unzgotofirstfile(uf);
        (void)zlib.of_extractfile(uf, target, "");
        zlib.of_unzgotofirstfile(uf);
        rt::blob blob;
        (void)zlib.of_extractblob(uf, "", blob);
        zlib.of_unzclose(uf);
    }
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        if (e.path() != folder / "update.zip" && e.path() != folder / "out" && e.path() != folder / "out" / "entry.bin")
            std::abort(); // an entry's name became a path
    }
    return 0;
}
