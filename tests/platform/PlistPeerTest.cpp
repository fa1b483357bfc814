// Our property lists against a real peer: Debian's Python plistlib, which writes the same layout
// except for reals, CR and data nested more than seven levels deep.
#include "CFPropertyList.h"
#include "CFPropertyListReader.h"
#include "CFPropertyListWriter.h"
#include "PythonPeer.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Random values of every type but real, nested at most six levels so that data stays within the
// widths both writers share. Text holds markup characters and non-ASCII below the surrogates
// (where UTF-16 and code-point order agree), no controls (plistlib refuses them).
class ValueMaker {
public:
    explicit ValueMaker(unsigned seed) : mRandom(seed) {}

    CFPropertyList Make(int level)
    {
        const int kind = Pick(level >= 6 ? 6 : 8);
        switch (kind) {
        case 0: return Pick(2) == 1;
        case 1: return static_cast<long long>(mRandom());
        case 2: return static_cast<long long>(Pick(2000)) - 1000;
        case 3: return Text();
        case 4: return CFPropertyList::FromDate(double(Pick(6000000)) * 1000 - 2000000000.0);
        case 5: {
            QByteArray data;
            for (int i = Pick(120); i > 0; --i)
                data.append(char(Pick(256)));
            return data;
        }
        case 6: {
            CFPropertyList::Array array;
            for (int i = Pick(5); i > 0; --i)
                array.append(Make(level + 1));
            return array;
        }
        default: {
            CFPropertyList::Dictionary dictionary;
            for (int i = Pick(6); i > 0; --i)
                dictionary.insert(Text(), Make(level + 1));
            return dictionary;
        }
        }
    }

private:
    int Pick(int count) { return int(mRandom() % uint64_t(count)); }

    QString Text()
    {
        static const char16_t kAlphabet[] = u"abcXYZ 019&<>\"'\t\n;éßÆ€中文Жあ";
        QString text;
        for (int i = Pick(12); i > 0; --i)
            text.append(QChar(kAlphabet[Pick(int(std::size(kAlphabet)) - 1)]));
        return text;
    }

    std::mt19937_64 mRandom;
};

TEST(PlistPeer, PlistlibReadsOursBackAndWritesTheSameBytes)
{
    ValueMaker maker(20240229);
    QList<QByteArray> ours;
    for (int i = 0; i < 200; ++i) {
        ours.append(CFPropertyListWriter::Write(maker.Make(0)));
        ASSERT_FALSE(ours.last().isEmpty());
    }
    // For each document: plistlib reads it and writes it again; any difference is printed.
    const char* script = R"(
import plistlib, sys
docs = sys.stdin.buffer.read().split(b'\0')
for i, doc in enumerate(docs):
    again = plistlib.dumps(plistlib.loads(doc), sort_keys=True)
    if again != doc:
        sys.stdout.buffer.write(b'document %d differs:\n' % i + again + b'\n')
)";
    const std::optional<QByteArray> differences = RunPythonPeer(script, {}, ours.join('\0'));
    ASSERT_TRUE(differences.has_value());
    EXPECT_EQ(differences->toStdString(), "");
}

// plistlib's documents of random values, reals included, made twice from one seed.
const char* kPeerValues = R"(
import datetime, plistlib, random, sys
rnd = random.Random(7)
alphabet = 'abcXYZ 019&<>"\'\t\n;éßÆ€中文Жあ😀'
def text():
    return ''.join(rnd.choice(alphabet) for _ in range(rnd.randrange(12)))
def value(level):
    kind = rnd.randrange(6 if level >= 6 else 8)
    if kind == 0: return rnd.random() < 0.5
    if kind == 1: return rnd.randrange(-2**63, 2**63)
    if kind == 2: return rnd.choice([0.1, -2.5, 1e300, 5e-324, 0.0, float('inf'), -float('inf'), rnd.uniform(-1e9, 1e9)])
    if kind == 3: return text()
    if kind == 4:
        return datetime.datetime(1901, 1, 1) + datetime.timedelta(seconds=rnd.randrange(6_000_000_000))
    if kind == 5: return bytes(rnd.randrange(256) for _ in range(rnd.randrange(100)))
    if kind == 6: return [value(level + 1) for _ in range(rnd.randrange(5))]
    return {text(): value(level + 1) for _ in range(rnd.randrange(6))}
values = [value(0) for _ in range(200)]
)";

TEST(PlistPeer, PlistlibDocumentsReadBackEqualThroughOurWriter)
{
    const QByteArray make = QByteArray(kPeerValues) + R"(
sys.stdout.buffer.write(b'\0'.join(plistlib.dumps(v) for v in values))
)";
    const std::optional<QByteArray> theirs = RunPythonPeer(make.constData());
    ASSERT_TRUE(theirs.has_value());
    QList<QByteArray> ours;
    for (const QByteArray& document : theirs->split('\0')) {
        QString error;
        const CFPropertyList value = CFPropertyListReader::Read(document, &error);
        ASSERT_FALSE(value.IsNull()) << error.toStdString() << "\n" << document.toStdString();
        ours.append(CFPropertyListWriter::Write(value));
    }
    ASSERT_EQ(ours.size(), 200);
    const QByteArray compare = QByteArray(kPeerValues) + R"(
for i, doc in enumerate(sys.stdin.buffer.read().split(b'\0')):
    if plistlib.loads(doc) != values[i]:
        print('document %d differs: %r != %r' % (i, plistlib.loads(doc), values[i]))
)";
    const std::optional<QByteArray> differences = RunPythonPeer(compare.constData(), {}, ours.join('\0'));
    ASSERT_TRUE(differences.has_value());
    EXPECT_EQ(differences->toStdString(), "");
}

} // namespace
