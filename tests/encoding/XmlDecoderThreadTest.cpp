// One decoder read from several threads at once: its calls are const and share
// nothing but the parsed text, so each thread gets the same trees and header.

#include "EncodingTestSupport.h"
#include "stubproxy/OrderRecord.h"

#include <tarnwick/datatypes/XmlString.h>
#include <tarnwick/encoding/ServiceMessage.h>
#include <tarnwick/encoding/XmlDecoder.h>

#include <sstream>
#include <thread>
#include <vector>

namespace {

using namespace EncodingTest;
using Tarnwick::ServiceMessage;
using Tarnwick::Encoding::XmlDecoder;
using Tarnwick::Encoding::XmlEncoder;

TEST(XmlDecoderThreads, ConstCallsFromManyThreadsGiveTheSameTrees)
{
    std::unique_ptr<ServiceType> const tree(Composite(u"request",
        {Scalar<std::int32_t>(-42, u"count"), Scalar<std::u16string>(u"Caf\u00e9 & <bar>", u"label"),
            Sequence<std::int16_t>({1, -2, 32767}, u"codes"),
            Sequence<std::u16string>({u"a", u"\u00e9t\u00e9"}, u"tags"),
            new Tarnwick::DataTypes::XmlString(u"<b>y &amp; z</b>", u"markup")}));
    ServiceMessage header;
    header.SetMsgType(3);
    header.SetOperationName(u"Op");
    std::ostringstream text;
    XmlEncoder::EncodeHeader(text, &header);
    XmlEncoder::Encode(text, tree.get(), 1);
    XmlEncoder::AppendFooter(text);
    XmlDecoder const decoder(text.str());
    std::string const expected = Encoded(*tree);
    // Read shape-free, the markup becomes a composite of its elements: known once, here.
    std::string const shapeFree = Encoded(*decoder.DecodeTree());

    constexpr int kThreads = 4;
    std::vector<int> sameTrees(kThreads, 0);
    std::vector<int> sameHeaders(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 50; ++round) {
                // Typed and shape-free in turn, each with its own reader and room.
                bool const typed = round % 2 == 0;
                std::unique_ptr<ServiceType> const decoded = typed ? decoder.DecodeTree(*tree) : decoder.DecodeTree();
                sameTrees[t] += Encoded(*decoded) == (typed ? expected : shapeFree) ? 1 : 0;
                ServiceMessage message;
                decoder.DecodeHeader(message);
                sameHeaders[t] += message.GetMsgType() == 3 && message.GetOperationName() == u"Op" ? 1 : 0;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(sameTrees, std::vector<int>(kThreads, 50));
    EXPECT_EQ(sameHeaders, std::vector<int>(kThreads, 50));
}

// Records read straight from the text, each thread into its own records.
TEST(XmlDecoderThreads, RecordsReadFromManyThreadsAreTheSame)
{
    RecordTest::Order order;
    order.count = 7;
    order.label = u"a & <b>";
    order.codes = {1, -2};
    order.when.SetUTime(1700000000123456);
    order.prices = {{u"tea", 1.5}, {u"cr\u00e8me", 2}};
    order.first.sku = u"A-1";
    order.lines.resize(2);
    order.lines[1].quantity = 3;
    std::unique_ptr<ServiceType> const tree(order.StoreTo(u"order"));
    std::string const expected = Encoded(*tree);
    XmlDecoder const decoder(expected);

    constexpr int kThreads = 4;
    std::vector<int> same(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 50; ++round) {
                RecordTest::Order read;
                decoder.DecodeInto(read);
                std::unique_ptr<ServiceType> const stored(read.StoreTo(u"order"));
                same[t] += Encoded(*stored) == expected ? 1 : 0;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(same, std::vector<int>(kThreads, 50));
}

} // namespace
