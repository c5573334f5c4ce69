#pragma once

// The reference message of the encoder benchmarks, and the same document
// written by three general XML libraries, for a side-by-side comparison.
//
// 2000 records, each with an integer, an escaped string with non-ASCII letters,
// a double, a boolean, a 16-item INT16 sequence, a 4-item string sequence, and
// in every tenth record a string-to-integer dictionary.

#include "core/ReferenceUtf8.h"

#include <tarnwick/tarnwick.h>

#include <libxml/xmlwriter.h>
#include <pugixml.hpp>
#include <tinyxml2.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

namespace EncoderBench {

struct Record {
    std::int32_t id;
    std::u16string name;
    double price;
    bool active;
    std::vector<std::int16_t> codes;
    std::vector<std::u16string> tags;
    std::vector<std::pair<std::u16string, std::int32_t>> stock;
};

inline constexpr int kRecords = 2000;

inline std::u16string Number(int value)
{
    std::u16string text;
    for (char c : std::to_string(value)) {
        text += static_cast<char16_t>(c);
    }
    return text;
}

inline std::vector<Record> MakeRecords()
{
    static char16_t const* const names[] = {u"M\u00fcller & S\u00f8n <Gro\u00dfhandel> \"Nord\" \u00c6r\u00f8 Kontor",
        u"Caf\u00e9 'Z\u00fcrich' & B\u00e4ckerei \u2013 Stra\u00dfe der Einheit, \u00c5lesund",
        u"\u0141\u00f3d\u017a <Sp\u00f3\u0142ka> & \u0106wik \"Zak\u0142ad\" Pozna\u0144sk\u0105"};
    static char16_t const* const tags[] = {u"priority-customer", u"wholesale & retail", u"north-region",
        u"\u00e9t\u00e9-collection", u"net-30-terms", u"<legacy-account>"};
    std::vector<Record> records;
    records.reserve(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        Record record;
        record.id = 100000 + i * 37;
        record.name = std::u16string(names[i % 3]) + u" #" + Number(i);
        // An amount of money: whole cents, as read from a decimal text.
        record.price = static_cast<double>(1999 + i * 731) / 100.0;
        record.active = i % 3 != 0;
        for (int k = 0; k < 16; ++k) {
            record.codes.push_back(static_cast<std::int16_t>((i * 131 + k * 977) % 65536 - 32768));
        }
        for (int k = 0; k < 4; ++k) {
            record.tags.push_back(tags[(i + k) % 6]);
        }
        if (i % 10 == 0) {
            for (int k = 0; k < 5; ++k) {
                record.stock.emplace_back(u"warehouse-" + Number(k) + u" \u00d6st", i * 7 + k);
            }
        }
        records.push_back(std::move(record));
    }
    return records;
}

inline Tarnwick::ServiceMessage MakeHeader()
{
    Tarnwick::ServiceMessage message;
    message.SetMsgType(3);
    message.SetMsgCorrelationId(17);
    message.SetMsgOrderId(1);
    message.SetSessionId(42);
    message.SetConsumerAddress(u"client-1");
    message.SetProducerAddress(u"svc&co");
    message.SetOperationName(u"ListCustomers");
    message.SetParametersTypeName(u"CustomerList");
    return message;
}

inline std::unique_ptr<Tarnwick::DataTypes::CompositeType> MakeTree(std::vector<Record> const& records)
{
    using namespace Tarnwick::DataTypes;
    auto root = std::make_unique<CompositeType>(u"customers");
    for (auto const& r : records) {
        auto* record = new CompositeType(u"customer");
        record->Add(new ScalarType<std::int32_t>(r.id, u"id"));
        record->Add(new ScalarType<std::u16string>(r.name, u"name"));
        record->Add(new ScalarType<double>(r.price, u"balance"));
        record->Add(new ScalarType<bool>(r.active, u"active"));
        record->Add(new SequenceType<std::int16_t>(r.codes, u"codes"));
        record->Add(new SequenceType<std::u16string>(r.tags, u"tags"));
        if (!r.stock.empty()) {
            auto* stock = new DictionaryType(u"stock");
            std::vector<std::u16string> keys;
            std::vector<std::int32_t> values;
            for (auto const& [key, value] : r.stock) {
                keys.push_back(key);
                values.push_back(value);
            }
            stock->SetKeys(new SequenceType<std::u16string>(keys, u"keys"));
            stock->SetValues(new SequenceType<std::int32_t>(values, u"values"));
            record->Add(stock);
        }
        root->Add(record);
    }
    return root;
}

/// The message as this library writes it, appended to `out`.
inline void EncodeTarnwickTo(
    std::ostream& out, Tarnwick::ServiceMessage const& header, Tarnwick::DataTypes::ServiceType const& tree)
{
    Tarnwick::Encoding::XmlEncoder::EncodeHeader(out, &header);
    Tarnwick::Encoding::XmlEncoder::Encode(out, &tree, 2);
    Tarnwick::Encoding::XmlEncoder::AppendFooter(out);
}

/// The message in the standard profile, appended to `out`.
inline void EncodeStandardTo(
    std::ostream& out, Tarnwick::ServiceMessage const& header, Tarnwick::DataTypes::ServiceType const& tree)
{
    auto const standard = Tarnwick::Encoding::XmlEncoderOptions::Standard();
    Tarnwick::Encoding::XmlEncoder::EncodeHeader(out, &header, standard);
    Tarnwick::Encoding::XmlEncoder::Encode(out, &tree, 2, standard);
    Tarnwick::Encoding::XmlEncoder::AppendFooter(out);
}

/// The message as this library writes it, into a fresh string stream.
inline std::string EncodeTarnwick(Tarnwick::ServiceMessage const& header, Tarnwick::DataTypes::ServiceType const& tree)
{
    std::ostringstream out;
    EncodeTarnwickTo(out, header, tree);
    return std::move(out).str();
}

/// A server's stream buffer: appends to a string that the caller keeps across
/// messages (cleared, never shrunk), so a message is written into memory that
/// is already there. Its `sync` is the inherited one, which does nothing, but
/// as a class of the caller's it is flushed like any other buffer.
class AppendBuffer : public std::streambuf {
public:
    explicit AppendBuffer(std::string& text)
        : m_Text(text)
    { }

protected:
    int_type overflow(int_type c) override
    {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            m_Text.push_back(traits_type::to_char_type(c));
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(char const* text, std::streamsize count) override
    {
        m_Text.append(text, static_cast<std::size_t>(count));
        return count;
    }

private:
    std::string& m_Text;
};

/// One output string kept across messages, written through an `std::ostream`
/// over an `AppendBuffer`.
class ReusedOutput {
public:
    ReusedOutput()
        : m_Buffer(m_Text)
        , m_Out(&m_Buffer)
    { }
    std::string const& Encode(Tarnwick::ServiceMessage const& header, Tarnwick::DataTypes::ServiceType const& tree)
    {
        m_Text.clear();
        EncodeTarnwickTo(m_Out, header, tree);
        return m_Text;
    }
    /// The same in the standard profile.
    std::string const& EncodeStandard(
        Tarnwick::ServiceMessage const& header, Tarnwick::DataTypes::ServiceType const& tree)
    {
        m_Text.clear();
        EncodeStandardTo(m_Out, header, tree);
        return m_Text;
    }

private:
    std::string m_Text;
    AppendBuffer m_Buffer;
    std::ostream m_Out;
};

/// The records with their text already in UTF-8 and their numbers as text, as
/// the DOM libraries hold them.
struct TextRecord {
    std::string id, name, price, active;
    std::vector<std::string> codes, tags;
    std::vector<std::pair<std::string, std::string>> stock;
};

inline std::string Double15(double value)
{
    char buffer[32];
    return std::string(
        buffer, std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15).ptr);
}

inline std::vector<TextRecord> MakeTextRecords(std::vector<Record> const& records)
{
    std::vector<TextRecord> texts;
    for (auto const& r : records) {
        TextRecord t {std::to_string(r.id), TarnwickTest::ReferenceUtf8(r.name), Double15(r.price),
            r.active ? "true" : "false", {}, {}, {}};
        for (auto code : r.codes) {
            t.codes.push_back(std::to_string(code));
        }
        for (auto const& tag : r.tags) {
            t.tags.push_back(TarnwickTest::ReferenceUtf8(tag));
        }
        for (auto const& [key, value] : r.stock) {
            t.stock.emplace_back(TarnwickTest::ReferenceUtf8(key), std::to_string(value));
        }
        texts.push_back(std::move(t));
    }
    return texts;
}

inline char const* const kAttributes[8][2] = {{"MsgType", "3"}, {"MsgCorrelationId", "17"}, {"MsgOrderId", "1"},
    {"SessionId", "42"}, {"ConsumerAddress", "client-1"}, {"ProducerAddress", "svc&co"},
    {"OperationName", "ListCustomers"}, {"ParametersTypeName", "CustomerList"}};

// ---- pugixml: a DOM built once, saved per run ----

inline std::unique_ptr<pugi::xml_document> MakePugiDocument(std::vector<TextRecord> const& records)
{
    auto document = std::make_unique<pugi::xml_document>();
    pugi::xml_node msg = document->append_child("msg");
    for (auto const& attribute : kAttributes) {
        msg.append_attribute(attribute[0]).set_value(attribute[1]);
    }
    pugi::xml_node root = msg.append_child("customers");
    auto leaf = [](pugi::xml_node parent, char const* name, std::string const& text) {
        parent.append_child(name).append_child(pugi::node_pcdata).set_value(text.c_str());
    };
    for (auto const& r : records) {
        pugi::xml_node record = root.append_child("customer");
        leaf(record, "id", r.id);
        leaf(record, "name", r.name);
        leaf(record, "balance", r.price);
        leaf(record, "active", r.active);
        pugi::xml_node codes = record.append_child("codes");
        for (auto const& code : r.codes) {
            leaf(codes, "item", code);
        }
        pugi::xml_node tags = record.append_child("tags");
        for (auto const& tag : r.tags) {
            leaf(tags, "item", tag);
        }
        if (!r.stock.empty()) {
            pugi::xml_node stock = record.append_child("stock");
            for (auto const& [key, value] : r.stock) {
                pugi::xml_node item = stock.append_child("item");
                leaf(item, "key", key);
                leaf(item, "value", value);
            }
        }
    }
    return document;
}

struct StringWriter : pugi::xml_writer {
    std::string text;
    void write(void const* data, std::size_t size) override { text.append(static_cast<char const*>(data), size); }
};

inline std::string SavePugi(pugi::xml_document const& document)
{
    StringWriter writer;
    document.save(writer, "  ", pugi::format_default, pugi::encoding_utf8);
    return std::move(writer.text);
}

/// pugixml's save into one string kept across messages.
class PugiReusedOutput {
public:
    std::string const& Save(pugi::xml_document const& document)
    {
        m_Writer.text.clear();
        document.save(m_Writer, "  ", pugi::format_default, pugi::encoding_utf8);
        return m_Writer.text;
    }

private:
    StringWriter m_Writer;
};

// ---- tinyxml2: a DOM built once, printed per run with XMLPrinter ----

inline std::unique_ptr<tinyxml2::XMLDocument> MakeTinyDocument(std::vector<TextRecord> const& records)
{
    auto document = std::make_unique<tinyxml2::XMLDocument>();
    document->InsertEndChild(document->NewDeclaration("xml version=\"1.0\" encoding=\"utf-8\""));
    tinyxml2::XMLElement* msg = document->NewElement("msg");
    document->InsertEndChild(msg);
    for (auto const& attribute : kAttributes) {
        msg->SetAttribute(attribute[0], attribute[1]);
    }
    tinyxml2::XMLElement* root = msg->InsertNewChildElement("customers");
    auto leaf = [](tinyxml2::XMLElement* parent, char const* name, std::string const& text) {
        parent->InsertNewChildElement(name)->SetText(text.c_str());
    };
    for (auto const& r : records) {
        tinyxml2::XMLElement* record = root->InsertNewChildElement("customer");
        leaf(record, "id", r.id);
        leaf(record, "name", r.name);
        leaf(record, "balance", r.price);
        leaf(record, "active", r.active);
        tinyxml2::XMLElement* codes = record->InsertNewChildElement("codes");
        for (auto const& code : r.codes) {
            leaf(codes, "item", code);
        }
        tinyxml2::XMLElement* tags = record->InsertNewChildElement("tags");
        for (auto const& tag : r.tags) {
            leaf(tags, "item", tag);
        }
        if (!r.stock.empty()) {
            tinyxml2::XMLElement* stock = record->InsertNewChildElement("stock");
            for (auto const& [key, value] : r.stock) {
                tinyxml2::XMLElement* item = stock->InsertNewChildElement("item");
                leaf(item, "key", key);
                leaf(item, "value", value);
            }
        }
    }
    return document;
}

/// Indents by two spaces per level, like the other writers (the default is four).
class TwoSpacePrinter : public tinyxml2::XMLPrinter {
protected:
    void PrintSpace(int depth) override
    {
        for (int i = 0; i < depth; ++i) {
            Write("  ", 2);
        }
    }
};

inline std::string PrintTiny(tinyxml2::XMLDocument const& document)
{
    TwoSpacePrinter printer;
    document.Print(&printer);
    return std::string(printer.CStr(), static_cast<std::size_t>(printer.CStrSize() - 1));
}

// ---- libxml2: xmlTextWriter streaming from the records ----

inline std::string WriteLibxml2(std::vector<TextRecord> const& records)
{
    xmlBufferPtr buffer = xmlBufferCreate();
    xmlTextWriterPtr writer = xmlNewTextWriterMemory(buffer, 0);
    xmlTextWriterSetIndent(writer, 1);
    xmlTextWriterSetIndentString(writer, reinterpret_cast<xmlChar const*>("  "));
    auto x = [](char const* text) { return reinterpret_cast<xmlChar const*>(text); };
    auto leaf = [&](char const* name, std::string const& text) {
        xmlTextWriterWriteElement(writer, x(name), x(text.c_str()));
    };
    xmlTextWriterStartDocument(writer, "1.0", "utf-8", nullptr);
    xmlTextWriterStartElement(writer, x("msg"));
    for (auto const& attribute : kAttributes) {
        xmlTextWriterWriteAttribute(writer, x(attribute[0]), x(attribute[1]));
    }
    xmlTextWriterStartElement(writer, x("customers"));
    for (auto const& r : records) {
        xmlTextWriterStartElement(writer, x("customer"));
        leaf("id", r.id);
        leaf("name", r.name);
        leaf("balance", r.price);
        leaf("active", r.active);
        xmlTextWriterStartElement(writer, x("codes"));
        for (auto const& code : r.codes) {
            leaf("item", code);
        }
        xmlTextWriterEndElement(writer);
        xmlTextWriterStartElement(writer, x("tags"));
        for (auto const& tag : r.tags) {
            leaf("item", tag);
        }
        xmlTextWriterEndElement(writer);
        if (!r.stock.empty()) {
            xmlTextWriterStartElement(writer, x("stock"));
            for (auto const& [key, value] : r.stock) {
                xmlTextWriterStartElement(writer, x("item"));
                leaf("key", key);
                leaf("value", value);
                xmlTextWriterEndElement(writer);
            }
            xmlTextWriterEndElement(writer);
        }
        xmlTextWriterEndElement(writer);
    }
    xmlTextWriterEndDocument(writer);
    xmlFreeTextWriter(writer);
    std::string text(
        reinterpret_cast<char const*>(xmlBufferContent(buffer)), static_cast<std::size_t>(xmlBufferLength(buffer)));
    xmlBufferFree(buffer);
    return text;
}

} // namespace EncoderBench
