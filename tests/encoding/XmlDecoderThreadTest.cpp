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

// Runs `round` 50 times in each of four threads at once: every round must answer true.
template <class Round> void ExpectTrueInEveryThread(Round round)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 50;
    std::vector<int> passed(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int r = 0; r < kRounds; ++r) {
                passed[t] += round(r) ? 1 : 0;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(passed, std::vector<int>(kThreads, kRounds));
}

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

    ExpectTrueInEveryThread([&](int round) {
        // Typed and shape-free in turn, each with its own reader and room.
        bool const typed = round % 2 == 0;
        std::unique_ptr<ServiceType> const decoded = typed ? decoder.DecodeTree(*tree) : decoder.DecodeTree();
        ServiceMessage message;
        decoder.DecodeHeader(message);
        return Encoded(*decoded) == (typed ? expected : shapeFree) && message.GetMsgType() == 3
            && message.GetOperationName() == u"Op";
    });
}

// Records read straight from the text, each thread into its own records.
TEST(XmlDecoderThreads, RecordsReadFromManyThreadsAreTheSame)
{
    RecordTest::Order order = RecordTest::MakeOrder();
    std::unique_ptr<ServiceType> const tree(order.StoreTo(u"order"));
    std::string const expected = Encoded(*tree);
    XmlDecoder const decoder(expected);
    ExpectTrueInEveryThread([&](int) {
        RecordTest::Order read;
        decoder.DecodeInto(read);
        std::unique_ptr<ServiceType> const stored(read.StoreTo(u"order"));
        return Encoded(*stored) == expected;
    });
}

} // namespace
