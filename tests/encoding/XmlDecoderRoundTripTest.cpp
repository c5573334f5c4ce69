// Property: every tree the encoder writes comes back exactly. Random trees of
// every kind, over many seeds, are encoded, decoded with the original as the
// prototype (and shape-free where the text alone tells the shape) and encoded
// again: the bytes are the same.

#include "EncodingTestSupport.h"
#include "RandomTrees.h"

#include <tarnwick/encoding/XmlDecoder.h>

#include <limits>

namespace {

using namespace EncodingTest;
using namespace RandomTreeSupport;
using Tarnwick::Encoding::XmlDecoder;

class RandomTrees : NodeSource<RandomTrees> {
public:
    using NodeSource::NodeSource;

    /// A tree of any kind; `free` keeps to the trees whose shape the text alone tells.
    std::unique_ptr<ServiceType> Tree(bool free)
    {
        m_Free = free;
        return std::unique_ptr<ServiceType>(Composite(Name(), Children(3)));
    }

private:
    friend NodeSource<RandomTrees>;

    static constexpr char16_t const* kPieces[]
        = {u"plain", u"a&b", u"<tag>", u"\"q\" 'a'", u"\t", u"\r\n", u"\r", u"\u0001\u001f", u"\ufffe\uffff",
            u"\U0001F600", u"\u00e9", u"\u4e2d", u"  ", u"]]>", u"&amp;", u"\n", u"\xd800", u"a"};
    /// Well-formed markup for XML strings, byte for byte as the text holds it.
    static constexpr char16_t const* kMarkup[] = {u"", u"plain", u"<b>bold</b>", u"<e a='1'\tb=\"x&amp;y\"/>",
        u"a&lt;b", u"<!-- note -->", u"<![CDATA[<raw> & ]]>", u"<?pi data?>", u"<p>\n  <q/>\n</p>\n", u"x<y>z</y>w",
        u"\u00e9<\u4e2d>\U0001F600</\u4e2d>", u"<a></a>  "};
    static constexpr NumberStyle kNumbers {4, true, true};

    template <class T> static std::span<T const> FloatSpecials()
    {
        using Limits = std::numeric_limits<T>;
        static T const specials[] = {T(0.1), T(-2.5), T(1e20), T(1e-7), Limits::infinity(), -Limits::infinity(),
            Limits::quiet_NaN(), -Limits::quiet_NaN(), Limits::denorm_min(), Limits::max(), Limits::lowest(),
            Limits::min(), T(0), -T(0), T(1) / T(3)};
        return specials;
    }

    std::u16string Name()
    {
        static char16_t const* const names[] = {u"a", u"count", u"x-1", u"_id", u"ns:v", u"caf\u00e9", u"\u4e2d\u6587",
            u"v.2", u"item", u"key", u"value", u"msg", u"\U00010400x"};
        return OneOf<char16_t const*>(names);
    }

    std::vector<std::uint64_t> Times(bool)
    {
        return Repeat<std::uint64_t>(Pick(3), [&] { return Number<std::uint64_t>({}, true); });
    }

    /// A shape-free tree holds a plain text where the others hold markup.
    ServiceType* XmlLeaf(std::u16string const& name)
    {
        return m_Free ? new ScalarType<std::u16string>(Text(), name) : NodeSource::XmlLeaf(name);
    }

    std::vector<ServiceType*> Children(int depth)
    {
        return Repeat<ServiceType*>(Pick(5), [&] { return Node(Name(), depth); });
    }

    static std::u16string ItemName(int i, std::u16string const& name) { return i % 2 == 0 ? u"item" : name; }

    AnyTypeServiceType* AnyItem(int)
    {
        std::u16string const name = Name();
        // A sequence inside loses its indentation in a shape-free composite.
        ServiceType* leaf = Leaf(name, true);
        if (m_Free && !leaf->IsLeaf()) {
            delete leaf;
            leaf = new ScalarType<std::int32_t>(5, name);
        }
        return new AnyTypeServiceType(leaf, name);
    }

    /// A composite of the same shape as `shape` with new values.
    ServiceType* Refilled(ServiceType const& shape)
    {
        std::unique_ptr<ServiceType> copy(shape.Copy());
        auto& composite = static_cast<CompositeType&>(*copy);
        for (auto it = composite.BeginIterator(); it != composite.EndIterator(); ++it) {
            if ((*it)->IsLeaf() && (*it)->GetType() != ANY_TYPE) {
                std::unique_ptr<ServiceType> old(*it);
                ServiceType* fresh = nullptr;
                do {
                    delete fresh;
                    fresh = Leaf(old->GetParamNameRef(), false);
                } while (fresh->GetType() != old->GetType() && (delete fresh, fresh = old->Copy(), false));
                *it = fresh;
            }
        }
        return copy.release();
    }

    bool m_Free = false;
};

std::string MessageText(std::string const& tree)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<msg\n  MsgType=\"1\"\n  MsgCorrelationId=\"2\"\n"
           "  MsgOrderId=\"3\"\n  SessionId=\"4\"\n  ConsumerAddress=\"c\"\n  ProducerAddress=\"p\"\n"
           "  OperationName=\"o\"\n  ParametersTypeName=\"t\"\n>\n"
        + tree + "</msg>";
}

constexpr unsigned kSeeds = 1000;

TEST(XmlDecoderRoundTrip, RandomTreesComeBackExactlyWithTheirPrototype)
{
    std::string all;
    for (unsigned seed = 0; seed < kSeeds; ++seed) {
        std::unique_ptr<ServiceType> const tree = RandomTrees(seed).Tree(false);
        std::int32_t const indent = static_cast<std::int32_t>(seed % 5) - 1;
        std::string const text = Encoded(*tree, indent);
        all += text;
        // Alone, and as the payload of a message.
        for (std::string const& whole : {text, MessageText(text)}) {
            std::unique_ptr<ServiceType> decoded;
            try {
                decoded = XmlDecoder(whole).DecodeTree(*tree);
            } catch (Tarnwick::ServiceException const& e) {
                ADD_FAILURE() << "seed " << seed << ": " << e.what() << "\n" << text;
                continue;
            }
            ASSERT_NE(decoded, nullptr);
            ASSERT_EQ(Encoded(*decoded, indent), text) << "seed " << seed;
        }
    }
    // The trees took every shape: any-type values of the rarer kinds, the three
    // dictionary forms, XML strings with markup, escapes, raw controls and CR.
    for (char const* part : {"type='xml_string'", "type='time_duration'", "type='double_seq'", "<key>", "<value>",
             "<![CDATA[", "<?pi data?>", "&amp;", "\x01", "\r", "\xef\xbf\xbe", "\xf0\x9f\x98\x80", "nan", "inf"}) {
        EXPECT_NE(all.find(part), std::string::npos) << part;
    }
}

TEST(XmlDecoderRoundTrip, RandomTreesComeBackExactlyWithoutAPrototype)
{
    for (unsigned seed = 0; seed < kSeeds; ++seed) {
        std::unique_ptr<ServiceType> const tree = RandomTrees(seed).Tree(true);
        std::string const text = Encoded(*tree, 2);
        std::unique_ptr<ServiceType> decoded;
        try {
            decoded = XmlDecoder(MessageText(text)).DecodeTree();
        } catch (Tarnwick::ServiceException const& e) {
            ADD_FAILURE() << "seed " << seed << ": " << e.what() << "\n" << text;
            continue;
        }
        ASSERT_NE(decoded, nullptr);
        ASSERT_EQ(Encoded(*decoded, 2), text) << "seed " << seed;
    }
}

} // namespace
