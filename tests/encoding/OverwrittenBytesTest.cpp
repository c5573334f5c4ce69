#include "encoding/decode/OverwrittenBytes.h"

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/datatypes/ServiceType.h>
#include <tarnwick/encoding/XmlDecoder.h>

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using Tarnwick::Encoding::Detail::OverwrittenBytes;

// Every byte reads back as it was, from any offset on, whichever bytes the copy lost and
// however the lost ones fall across the blocks of counts.
TEST(OverwrittenBytes, ReadsTheTextBackFromAnyOffset)
{
    std::mt19937 random(7);
    for (std::size_t const size : {0u, 1u, 15u, 16u, 17u, 1023u, 1024u, 1025u, 3000u, 5000u}) {
        for (int const perMille : {0, 10, 300, 1000}) {
            std::string text(size, ' ');
            for (char& c : text) {
                c = static_cast<char>('!' + random() % 90);
            }
            std::string buffer = text + std::string(64, '\0');
            for (std::size_t i = 0; i < size; ++i) {
                if (static_cast<int>(random() % 1000) < perMille) {
                    buffer[i] = '\0';
                }
            }
            OverwrittenBytes bytes;
            bytes.Record(buffer.data(), text.data(), size);
            for (std::size_t from = 0; from < size; from += 1 + from / 7) {
                auto cursor = bytes.At(from);
                std::string read;
                for (std::size_t i = from; i < size; ++i) {
                    read.push_back(cursor.Next());
                }
                ASSERT_EQ(read, text.substr(from)) << size << " bytes, " << perMille << "/1000 lost, from " << from;
            }
        }
    }
}

// A refusal raised after the constructor counts the lines the parser's terminators stand
// over: each "<a\n>" ends its name over the line feed.
TEST(OverwrittenBytes, RefusalsAfterTheParseCountLinesUnderTerminators)
{
    for (std::size_t const fillers : {0u, 1u, 100u, 300u, 1000u}) {
        std::string text = "<r>";
        for (std::size_t i = 0; i < fillers; ++i) {
            text += "<a\n>t</a>";
        }
        text += "\n<v type=\"int32\">x</v></r>";
        Tarnwick::Encoding::XmlDecoder const decoder(text);
        try {
            (void)decoder.DecodeTree();
            FAIL() << "accepted";
        } catch (Tarnwick::ServiceException const& e) {
            std::string const where = " at line " + std::to_string(fillers + 2) + ", column 1";
            EXPECT_TRUE(e.ToString().ends_with(std::u16string(where.begin(), where.end()))) << fillers;
        }
    }
}

} // namespace
