#include "core/settings/profile_file.h"

#include <initializer_list>
#include <optional>

#include "core/diag/diag.h"
#include "core/settings/atomic_file.h"
#include "core/settings/file_text.h"
#include "core/settings/profile_text.h"
#include "core/settings/text_encoding.h"

namespace profile {

namespace {

std::string unreadable(const std::string& path, const std::string& why) {
    return path + ": the file could not be read (" + why + ") and is left as it is";
}

std::string unstorableTextReason(std::initializer_list<std::string_view> texts) {
    for (const std::string_view text : texts) {
        // Bytes that are no UTF-8 text could make the whole file read as GBK.
        if (!textenc::isValidUtf8(text)) return "the text to store is not valid UTF-8";
        // A NUL ends a string in Windows' profile functions, and could make the file look like UTF-16.
        if (text.find('\0') != std::string_view::npos) return "a NUL character cannot be stored in a settings file";
    }
    return {};
}

// The file's 8-bit text with the value set, in `next`, or why it cannot be.
Result setInText(const std::string& path, const filetext::FileText& file, const std::string& section,
                 const std::string& key, const std::string& value, std::string& next) {
    const auto enc = file.enc;
    const auto s = textenc::toStored(section, enc);
    const auto k = textenc::toStored(key, enc);
    const auto v = textenc::toStored(value, enc);
    if (!s || !k || !v)
        return Result::failure(path + ": the text has characters that this GBK-encoded file cannot hold");
    // A GBK character's second byte can be ']', which would end the section name early.
    if (!invalidEntryReason(*s, *k, *v).empty())
        return Result::failure(path + ": the section name cannot be stored in this GBK-encoded file");

    next = withValue(file.text, *s, *k, *v, kNewFileEol);
    if (enc == textenc::Encoding::Gbk && textenc::detect(next) == textenc::Encoding::Utf8) {
        // The bytes that made the file GBK are gone, so it would now be read as
        // UTF-8; its GBK text written as UTF-8 keeps every value's meaning.
        // A byte-order mark stays: it is read as one in either encoding.
        // A stray byte stays as it is, as one does in a UTF-8 file.
        const std::size_t bom = next.starts_with("\xEF\xBB\xBF") ? 3 : 0;
        next =
            next.substr(0, bom) + textenc::gbkToUtf8Leniently(std::string_view(next).substr(bom), textenc::Stray::Kept);
        if (textenc::detect(next) != textenc::Encoding::Utf8)
            return Result::failure(path + ": this GBK-encoded file holds bytes that are no GBK text");
    }
    // Taking away UTF-8 text can leave stray bytes that would read as GBK.
    if (enc == textenc::Encoding::Utf8 && textenc::detect(next) == textenc::Encoding::Gbk)
        return Result::failure(path +
                               ": after this change the file's stray bytes would make it read as GBK, "
                               "so it is left as it is");
    return Result::success();
}

// The value a read gives from the file's text; nothing when the key is absent.
std::optional<std::string> valueIn(const filetext::FileText& file, const std::string& section, const std::string& key,
                                   bool* strays) {
    const auto enc = file.enc;
    const auto storedSection = textenc::toStored(section, enc);
    const auto storedKey = textenc::toStored(key, enc);
    if (!storedSection || !storedKey) return std::nullopt;
    const auto raw = lookup(file.text, *storedSection, *storedKey);
    if (!raw) return std::nullopt;
    const std::string_view cut(raw->data(), textenc::boundaryAtOrBefore(*raw, kMaxValueBytes, enc));
    return textenc::fromStored(cut, enc, strays);
}

}  // namespace

std::string readValue(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& fallback) {
    const auto bytes = atomicfile::readAll(path, nullptr, kMaxFileBytes);
    if (!bytes) return fallback;
    const auto file = filetext::decode(*bytes, nullptr);
    if (!file) return fallback;
    bool strays = false;
    auto value = valueIn(*file, section, key, &strays);
    if (!value) return fallback;
    if (strays)
        diag::Report(path + ": [" + section + "] " + key + " holds bytes that are no " +
                     (file->enc == textenc::Encoding::Gbk ? "GBK" : "UTF-8") +
                     " text; they show as � and stay in the file until the value is changed");
    return std::move(*value);
}

std::string unreadableReason(const std::string& path) {
    std::string readError;
    const auto bytes = atomicfile::readAll(path, &readError, kMaxFileBytes);
    if (!readError.empty()) return readError;
    std::string why;
    if (bytes && !filetext::decode(*bytes, &why)) return unreadable(path, why);
    return {};
}

namespace {

// The file's bytes (`old`, nothing for a missing file) with the value set, in
// `bytes`, or why the value cannot be set.
Result withValueIn(const std::string& path, const std::optional<std::string>& old, const Entry& e, std::string& bytes) {
    if (const std::string why = invalidEntryReason(e.section, e.key, e.value); !why.empty())
        return Result::failure(why);
    std::string undecodable;
    const auto file = filetext::decode(old.value_or(std::string()), &undecodable);
    if (!file) return Result::failure(unreadable(path, undecodable));
    // What the file holds already is not written again. A value read with
    // stray bytes in it thus goes back as it came, bytes and all, though its
    // text could not be stored as new.
    if (valueIn(*file, e.section, e.key, nullptr) == e.value) {
        bytes = *old;
        return Result::success();
    }
    if (const std::string why = unstorableTextReason({e.section, e.key, e.value}); !why.empty())
        return Result::failure(why);

    std::string next;
    filetext::FileText in = *file;
    // Text with nothing but ASCII in it has shown no encoding yet: it takes the
    // system's for new files when that can hold the new text, and UTF-8 when not.
    const bool undecided = in.form == filetext::Form::EightBit && textenc::isAscii(in.text) &&
                           textenc::newFileEncoding() != textenc::Encoding::Utf8;
    if (undecided) in.enc = textenc::newFileEncoding();
    Result r = setInText(path, in, e.section, e.key, e.value, next);
    if (!r && undecided) {
        in.enc = textenc::Encoding::Utf8;
        r = setInText(path, in, e.section, e.key, e.value, next);
    }
    if (!r) return r;
    const auto encoded = filetext::encode(next, file->form);
    if (!encoded) return Result::failure(path + ": the new text cannot be stored as UTF-16");
    bytes = *encoded;
    return Result::success();
}

}  // namespace

Result writeValue(const std::string& path, const std::string& section, const std::string& key,
                  const std::string& value) {
    return writeValues(path, {{section, key, value}});
}

Result writeValues(const std::string& path, const std::vector<Entry>& entries) {
    if (path.empty()) return Result::failure("no settings file has been chosen");
    std::string readError;
    const auto old = atomicfile::readAll(path, &readError, kMaxFileBytes);
    if (!readError.empty()) return Result::failure(readError);

    // Each value as its own write would set it, one after another, in memory.
    std::optional<std::string> current = old;
    std::optional<Result> firstFailure;
    for (const Entry& e : entries) {
        std::string bytes;
        if (Result r = withValueIn(path, current, e, bytes); !r) {
            if (!firstFailure) firstFailure = r;
            continue;
        }
        current = std::move(bytes);
    }
    if (current && current != old) {
        if (Result r = atomicfile::replace(path, *current); !r) return r;
    }
    return firstFailure.value_or(Result::success());
}

}  // namespace profile
