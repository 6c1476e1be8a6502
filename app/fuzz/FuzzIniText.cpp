// libFuzzer target for the settings text: any file parses and serialises back to
// its own bytes, the index answers every read as the text does, and setting one
// key changes no other key's read.
//   input: three length bytes (section, key, value; value's top bit asks for a
//   delete), those GBK names and value, then the file's bytes.
// Built and run briefly with the native tests when Clang is installed; by hand:
//   cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DSB_FUZZ=ON
//   cmake --build build/fuzz --target fuzz_ini_text
//   build/fuzz/app/fuzz_ini_text -max_total_time=600 app/fuzz/ini_seeds
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "app/gbk_codec.h"
#include "app/ini_text.h"

namespace {

bool isProfileSpace(char16_t c) {
    return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A;
}

std::u16string folded(std::u16string_view name) {
    while (!name.empty() && isProfileSpace(name.front()))
        name.remove_prefix(1);
    while (!name.empty() && isProfileSpace(name.back()))
        name.remove_suffix(1);
    std::u16string f(name);
    for (char16_t& c : f)
        if (c >= 'A' && c <= 'Z') c = static_cast<char16_t>(c + 32);
    return f;
}

// Names the program could write: one line, no header or '=' in them, not blank,
// and Unicode text (no escaped undecodable bytes, which only files hold).
bool writableName(std::u16string_view name) {
    for (const char16_t c : name)
        if (c >= 0xDC80 && c <= 0xDCFF) return false;
    return !folded(name).empty() && name.find_first_of(u"\r\n[]=") == std::u16string_view::npos;
}

void check(bool condition) {
    if (!condition) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::size_t sectionSize = data[0] % 16, keySize = data[1] % 16, valueSize = data[2] % 64;
    const bool remove = (data[2] & 0x80) != 0;
    if (size < 3 + sectionSize + keySize + valueSize) return 0;
    const auto* bytes = reinterpret_cast<const char*>(data);
    std::size_t at = 3;
    const auto take = [&](std::size_t n) {
        const std::u16string text = app::gbkDecode(std::string_view(bytes + at, n));
        at += n;
        return text;
    };
    const std::u16string section = take(sectionSize), key = take(keySize), value = take(valueSize);
    const std::string_view file(bytes + at, size - at);

    app::IniText ini = app::IniText::parse(file);
    check(ini.serialize() == file);
    const app::IniIndex index(ini);
    check(index.find(section, key) == ini.find(section, key));
    check(index.read(section, key, value) == ini.read(section, key, value));
    // Every other key's value, taken before the edit (the index refers to the text).
    std::vector<std::tuple<std::u16string, std::u16string, std::optional<std::u16string>>> others;
    for (auto& [s, k] : index.names()) {
        check(index.lookup(s, k).keyFound);
        std::optional<std::u16string> stored = index.find(s, k);
        check(stored == ini.find(s, k));
        if (folded(s) != folded(section) || folded(k) != folded(key))
            others.emplace_back(s, k, std::move(stored));
    }

    if (!writableName(section) || !writableName(key)) return 0;
    const bool changed = remove ? ini.remove(section, key) : ini.set(section, key, value);
    const app::IniText after = app::IniText::parse(ini.serialize());
    check(after.text() == ini.text());
    if (!changed) check(ini.serialize() == file);
    if (!remove) {
        std::u16string_view stored = app::IniText::storedForm(value);
        while (!stored.empty() && isProfileSpace(stored.back()))
            stored.remove_suffix(1);
        check(after.find(section, key) == std::u16string(stored));
    }
    const app::IniIndex afterIndex(after);
    for (const auto& [s, k, stored] : others)
        check(afterIndex.find(s, k) == stored);
    return 0;
}
