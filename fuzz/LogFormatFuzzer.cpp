// The loggers' format expansion: arbitrary format texts against a fixed set of
// arguments of every kind, through a file logger. Every message must come out
// as one whole, valid UTF-8 line that holds the format's text up to its first
// directive, and the same call must write the same text twice (nothing read
// that was not passed).

#include "FuzzSupport.h"

#include <tarnwick/logging/LoggerManager.h>
#include <tarnwick/logging/ServiceLogger.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include <stdlib.h>

namespace {

using namespace Tarnwick::Utils;

constexpr std::size_t kMaxFormat = 256;
constexpr int kMessagesPerFile = 4096;

// The log file lives in a temporary directory, which is the working directory
// only while a message is written (libFuzzer's own files are relative to the
// directory it was started in).
struct Logs {
    Logs()
        : directory(MakeDirectory())
    {
        logger = manager.GetLogger(u"F", OUTPUT_FILE);
    }
    ~Logs() { std::filesystem::remove_all(directory); }

    static std::filesystem::path MakeDirectory()
    {
        std::string directory = (std::filesystem::temp_directory_path() / "tarnwick-fuzz-XXXXXX").string();
        Fuzz::Check(::mkdtemp(directory.data()) != nullptr, "no temporary directory");
        return directory;
    }

    std::filesystem::path File() const { return directory / "Logs" / "fuzz.log"; }

    std::size_t FileSize() const
    {
        std::error_code missing;
        std::uintmax_t const size = std::filesystem::file_size(File(), missing);
        return missing ? 0 : static_cast<std::size_t>(size);
    }

    std::string FileText(std::size_t from) const
    {
        std::ifstream in(File(), std::ios::binary);
        in.seekg(static_cast<std::streamoff>(from));
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    template <class Write> void InDirectory(Write const& write)
    {
        std::filesystem::path const previous = std::filesystem::current_path();
        std::filesystem::current_path(directory);
        write();
        std::filesystem::current_path(previous);
    }

    std::filesystem::path directory;
    LoggerManager manager {u"fuzz.log"};
    ServiceLogger* logger = nullptr;
    int messages = 0;
};

// Every kind of argument, with values at their edges; the last a text longer
// than the bound of widths, so that a text precision is tried at any size.
void LogWithEveryKind(ServiceLogger& logger, char16_t const* format)
{
    static std::u16string const longText((std::size_t {1} << 20) + 5, u'L');
    static int object = 0;
    static char16_t const wide[] = u"w\u00E9\U0001F600\xD800z";
    static char const narrow[] = "n\xC3\xA9\xF0\x9F\x98\x80\xE9\xC0\xAF";
    logger.Warning(format, -42, 4000000000u, std::numeric_limits<long long>::min(), 'x', u'\u20AC', 3.25, -1e300L, 2.5f,
        &object, wide, narrow, static_cast<char16_t const*>(nullptr), static_cast<char const*>(nullptr), true,
        std::numeric_limits<std::uint64_t>::max(), std::numeric_limits<int>::min(), static_cast<short>(-7),
        static_cast<unsigned char>(0xE9), nullptr, 0x1F600, longText.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    static Logs logs;
    Fuzz::Input input(data, size);
    std::u16string format;
    // Bytes are code units, and 0xFF brings in a whole 16-bit unit, so that
    // directives are common and every unit is possible.
    while (!input.Empty() && format.size() < kMaxFormat) {
        std::uint8_t const byte = input.Byte();
        char16_t const unit = byte == 0xFF ? input.Value<char16_t>() : byte;
        if (unit != 0) {
            format.push_back(unit);
        }
    }

    std::size_t before = logs.FileSize();
    if (++logs.messages == kMessagesPerFile) {
        // The next message starts the file anew; the loggers went with it.
        logs.manager.Close();
        logs.logger = logs.manager.GetLogger(u"F", OUTPUT_FILE);
        logs.messages = 0;
        before = 0;
    }
    logs.InDirectory([&] {
        LogWithEveryKind(*logs.logger, format.c_str());
        LogWithEveryKind(*logs.logger, format.c_str());
    });
    std::string const text = logs.FileText(before);

    Fuzz::Check(Fuzz::IsUtf8(text), "a line is no valid UTF-8");
    Fuzz::Check(!text.empty() && text.back() == '\n', "a line is not whole");
    std::size_t const prefix = text.find(" WARN : F - ");
    Fuzz::Check(prefix != std::string::npos, "no line prefix");
    std::size_t const second = text.find(" WARN : F - ", text.size() / 2 - 1);
    Fuzz::Check(second != std::string::npos && second > prefix, "not two messages");
    // Each message is the part after the prefix up to the line feed that ends it.
    std::size_t const firstStart = prefix + 12;
    std::size_t const firstStamp = text.rfind('\n', second);
    Fuzz::Check(firstStamp != std::string::npos && firstStamp >= firstStart, "the first message is not whole");
    std::string const first = text.substr(firstStart, firstStamp - firstStart);
    std::string const again = text.substr(second + 12, text.size() - 1 - (second + 12));
    Fuzz::Check(first == again, "the same call wrote different texts");

    // The literal text before the first directive is written as it is.
    std::size_t const percent = format.find(u'%');
    std::u16string const literal = format.substr(0, percent);
    bool ascii = true;
    for (char16_t const unit : literal) {
        ascii = ascii && unit < 0x80;
    }
    if (ascii) {
        Fuzz::Check(first.compare(0, literal.size(), std::string(literal.begin(), literal.end())) == 0,
            "the literal text is not kept");
    }

    return 0;
}
