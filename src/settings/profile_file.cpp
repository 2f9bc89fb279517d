#include "settings/profile_file.h"

#include "settings/atomic_file.h"
#include "settings/profile_text.h"
#include "settings/text_encoding.h"

namespace profile {

std::string readValue(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& fallback) {
    const auto file = atomicfile::readAll(path, nullptr);
    if (!file) return fallback;
    const auto enc = textenc::detect(*file);
    const auto storedSection = textenc::toStored(section, enc);
    const auto storedKey = textenc::toStored(key, enc);
    if (!storedSection || !storedKey) return fallback;
    const auto raw = lookup(*file, *storedSection, *storedKey);
    if (!raw) return fallback;
    const std::string_view cut(raw->data(), textenc::boundaryAtOrBefore(*raw, kMaxValueBytes, enc));
    return textenc::fromStored(cut, enc).value_or(fallback);
}

WriteResult writeValue(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& value) {
    if (path.empty()) return WriteResult::failure("no settings file has been chosen");
    if (const std::string why = invalidEntryReason(section, key, value); !why.empty())
        return WriteResult::failure(why);
    // Bytes that are no UTF-8 text would make the whole file read as GBK.
    if (!textenc::isValidUtf8(section) || !textenc::isValidUtf8(key) || !textenc::isValidUtf8(value))
        return WriteResult::failure("the text to store is not valid UTF-8");

    std::string readError;
    const auto old = atomicfile::readAll(path, &readError);
    if (!readError.empty()) return WriteResult::failure(readError);

    const std::string current = old.value_or(std::string());
    const auto enc = textenc::detect(current);
    const auto s = textenc::toStored(section, enc);
    const auto k = textenc::toStored(key, enc);
    const auto v = textenc::toStored(value, enc);
    if (!s || !k || !v)
        return WriteResult::failure(path + ": the text has characters that this GBK-encoded file cannot hold");

    const std::string next = withValue(current, *s, *k, *v, kNewFileEol);
    if (old && next == current) return WriteResult::success();
    return atomicfile::replace(path, next);
}

}  // namespace profile
