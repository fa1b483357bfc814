// BinHex 4.0: the CRC, the exact stream, 0x90 escapes, line layout and errors over files held in
// memory; and files on disk (forks and Finder information in user attributes) decoded by
// hexbin (Debian's macutils).
#include "CBinHexEncoder.h"

#include "DecodingPeer.h"
#include "FSRef.h"
#include "FileManager.h"
#include "FileMetadata.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <filesystem>
#include <string>

namespace {

constexpr char kTable[] = "!\"#$%&'()*+,-012345689@ABCDEFGHIJKLMNPQRSTUVXYZ[`abcdefhijklmpqr";
constexpr char kHeaderLine[] = "(This file must be converted with BinHex 4.0)\r";

// The byte at i, 0 past the end.
char At(const QByteArray& bytes, qsizetype i)
{
    return i < bytes.size() ? bytes[i] : '\0';
}

UInt16 Crc(const QByteArray& bytes)
{
    UInt16 crc = 0;
    for (char c : bytes)
        crc = CBinHexEncoder::UpdateCRC(crc, UInt8(c));
    return CBinHexEncoder::UpdateCRC(CBinHexEncoder::UpdateCRC(crc, 0), 0);
}

std::string Stream(const CBinHexEncoder& encoder)
{
    return std::string(encoder.buffer, size_t(encoder.length));
}

// The bytes of the 6-bit layer (0x90 escapes left in) between the colons of a stream.
QByteArray SixBitBytes(const std::string& stream)
{
    const size_t first = stream.find(':');
    const size_t last = stream.rfind(':');
    QByteArray bytes;
    uint32_t bits = 0;
    int count = 0;
    for (size_t i = first + 1; i < last; ++i) {
        const char* at = std::strchr(kTable, stream[i]);
        if (stream[i] == '\r' || at == nullptr)
            continue;
        bits = (bits << 6) | uint32_t(at - kTable);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes += char((bits >> count) & 0xFF);
        }
    }
    return bytes;
}

// Undoes the 0x90 0x00 escapes the encoder makes (it never makes runs).
QByteArray WithoutEscapes(const QByteArray& raw)
{
    QByteArray out;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        out += raw[i];
        if (uchar(raw[i]) == 0x90) {
            EXPECT_LT(i + 1, raw.size());
            EXPECT_EQ(At(raw, i + 1), '\0') << "0x90 not followed by 0x00 at " << i;
            ++i;
        }
    }
    return out;
}

CBinHexEncoder::MemorySource Source(const std::string& name, OSType type, OSType creator, QByteArray data = {},
                                    QByteArray resource = {})
{
    CBinHexEncoder::MemorySource source;
    source.info.name = name;
    source.info.fileType = type;
    source.info.creator = creator;
    source.dataFork = data;
    source.resourceFork = resource;
    return source;
}

QByteArray RandomBytes(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(count, 0);
    for (char& c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

}  // namespace

TEST(CBinHexEncoder, CrcIsTheXmodemCrcAsPythonComputesIt)
{
    EXPECT_EQ(Crc("123456789"), 0x31C3);
    const QByteArray random = RandomBytes(5000, 7);
    const QByteArray answer = RunDecodingPeer("decode_crc.py", random);
    EXPECT_EQ(answer.trimmed().toInt(), Crc(random));
}

TEST(CBinHexEncoder, ExactStreamForAFileWithEmptyForks)
{
    auto source = Source("a", 'TEXT', 'ttxt');
    CBinHexEncoder encoder;
    ASSERT_EQ(encoder.Encode(source), noErr);
    // Header bytes 01 'a' 00 'TEXT' 'ttxt' 0000 00000000 00000000, its CRC, then the two empty
    // forks' CRCs (00 00 each), in the 6-bit alphabet.
    const QByteArray header = QByteArray::fromHex("016100544558547474787400000000000000000000");
    const UInt16 crc = Crc(header);
    QByteArray all = header;
    all += char(crc >> 8);
    all += char(crc & 0xFF);
    all += QByteArray(4, '\0');
    std::string body;
    for (qsizetype i = 0; i < all.size(); i += 3) {
        const uint32_t group = uint32_t(uchar(all[i])) << 16 | uint32_t(uchar(At(all, i + 1))) << 8
                               | uint32_t(uchar(At(all, i + 2)));
        const int characters = std::min<qsizetype>(3, all.size() - i) + 1;
        for (int k = 0; k < characters; ++k)
            body += kTable[(group >> (18 - 6 * k)) & 0x3F];
    }
    EXPECT_EQ(all.size(), 27);  // whole groups: no padding character
    EXPECT_EQ(Stream(encoder), std::string(kHeaderLine) + ":" + body + ":\r");
    EXPECT_EQ(Stream(encoder), "(This file must be converted with BinHex 4.0)\r"
                               ":!@%!9%9B9(4dH(3!!!!!!!!!!!!!K2m!!!!!:\r");
}

TEST(CBinHexEncoder, EscapesEvery0x90AndCountsItOnceInTheCrc)
{
    // A two-byte data fork whose CRC holds a 0x90 byte.
    QByteArray data;
    for (int v = 0; v < 65536 && data.isEmpty(); ++v) {
        QByteArray candidate;
        candidate += char(0x90);
        candidate += char(v & 0xFF);
        const UInt16 crc = Crc(candidate);
        if ((crc >> 8) == 0x90 || (crc & 0xFF) == 0x90)
            data = candidate;
    }
    ASSERT_FALSE(data.isEmpty());
    auto source = Source("x\x90y", 0x90909090, 'ABCD', data, QByteArray(3, char(0x90)));
    CBinHexEncoder encoder;
    ASSERT_EQ(encoder.Encode(source), noErr);

    const QByteArray bytes = WithoutEscapes(SixBitBytes(Stream(encoder)));
    const QByteArray header = bytes.left(1 + 3 + 1 + 4 + 4 + 2 + 4 + 4);
    EXPECT_EQ(bytes.mid(header.size(), 2), QByteArray(1, char(Crc(header) >> 8)) + char(Crc(header) & 0xFF));
    const qsizetype dataAt = header.size() + 2;
    EXPECT_EQ(bytes.mid(dataAt, 2), data);
    EXPECT_EQ(uchar(bytes[dataAt + 2]), Crc(data) >> 8);
    EXPECT_EQ(uchar(bytes[dataAt + 3]), Crc(data) & 0xFF);
    EXPECT_EQ(bytes.mid(dataAt + 4, 3), QByteArray(3, char(0x90)));
}

TEST(CBinHexEncoder, HeaderFieldsAreBigEndian)
{
    auto source = Source("n", 'TEXT', 'CRTR', QByteArray(0x12345, 'd'));
    source.info.finderFlags = 0x0102;
    CBinHexEncoder encoder;
    ASSERT_EQ(encoder.Encode(source), noErr);
    const QByteArray bytes = WithoutEscapes(SixBitBytes(Stream(encoder)));
    EXPECT_EQ(bytes.mid(3, 4), "TEXT");
    EXPECT_EQ(bytes.mid(7, 4), "CRTR");
    EXPECT_EQ(bytes.mid(11, 2).toHex(), "0102");
    EXPECT_EQ(bytes.mid(13, 4).toHex(), "00012345");
    EXPECT_EQ(bytes.mid(17, 4).toHex(), "00000000");
}

TEST(CBinHexEncoder, LinesHold64CharactersAndTheStreamEndsWithColonAndCR)
{
    // Every data length up to 200: every line break position relative to the end.
    for (int n = 0; n < 200; ++n) {
        auto source = Source("f", 'TEXT', 'ttxt', QByteArray(n, 'q'));
        CBinHexEncoder encoder;
        ASSERT_EQ(encoder.Encode(source), noErr);
        const std::string stream = Stream(encoder).substr(std::strlen(kHeaderLine));
        size_t start = 0;
        std::vector<std::string> lines;
        for (size_t cr = stream.find('\r'); cr != std::string::npos; cr = stream.find('\r', start)) {
            lines.push_back(stream.substr(start, cr - start));
            start = cr + 1;
        }
        ASSERT_EQ(start, stream.size()) << "the stream ends with CR";
        for (size_t i = 0; i + 1 < lines.size(); ++i)
            EXPECT_EQ(lines[i].size(), 64u) << n;
        EXPECT_EQ(lines.back().back(), ':');
        EXPECT_LE(lines.back().size(), 64u);
    }
}

TEST(CBinHexEncoder, AnUnreadableForkReturnsItsErrorAndKeepsWhatCameBefore)
{
    auto source = Source("r", 'TEXT', 'ttxt', "data fork", "resource fork");
    source.resourceOpenError = permErr;
    CBinHexEncoder encoder;
    EXPECT_EQ(encoder.Encode(source), permErr);
    const std::string stream = Stream(encoder);
    EXPECT_EQ(stream.rfind(':'), std::strlen(kHeaderLine));  // no ending colon
    EXPECT_TRUE(WithoutEscapes(SixBitBytes(stream + ":")).contains("data fork"));

    auto missing = Source("m", 0, 0);
    missing.infoError = fnfErr;
    CBinHexEncoder untouched;
    EXPECT_EQ(untouched.Encode(missing), fnfErr);
    EXPECT_EQ(untouched.length, 0);
    CBinHexEncoder noFile;
    EXPECT_EQ(noFile.EncodeFile("/nonexistent/file"), fnfErr);
}

TEST(CBinHexEncoder, MacRomanNameWithQuestionMarksCutTo63)
{
    EXPECT_EQ(CBinHexEncoder::MacRomanName("caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD"), "caf\x8E \xDB ?");
    EXPECT_EQ(CBinHexEncoder::MacRomanName(std::string(70, 'n')).size(), 63u);
}

// A file with both forks and runs of 0x90, written with its Finder information into user
// attributes under the build tree, encoded from its path and decoded by hexbin -3.
class CBinHexEncoderOnDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        // One folder per test: ctest runs tests side by side in the same build folder.
        mFolder = QDir::currentPath() + "/binhex-fixtures-"
                  + QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name());
        QDir(mFolder).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(mFolder + "/out"));
        if (!SupportsUserAttributes(mFolder.toStdString()))
            GTEST_SKIP() << "the build tree's file system refuses user. attributes";
    }
    void TearDown() override { QDir(mFolder).removeRecursively(); }

    // Runs hexbin -3 on the stream (CR line ends as a mail transport delivers them: CR LF).
    int RunHexbin(const std::string& stream)
    {
        QByteArray text = QByteArray::fromStdString(stream);
        text.replace("\r", "\r\n");
        QFile file(mFolder + "/out/stream.hqx");
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        QProcess hexbin;
        hexbin.setWorkingDirectory(mFolder + "/out");
        hexbin.start(QStringLiteral("/usr/bin/hexbin"), {QStringLiteral("-3"), QStringLiteral("stream.hqx")});
        if (!hexbin.waitForFinished(30000)) {
            hexbin.kill();
            ADD_FAILURE() << "hexbin timed out";
            return -1;
        }
        return hexbin.exitStatus() == QProcess::NormalExit ? hexbin.exitCode() : -1;
    }

    QByteArray ReadOut(const QString& name)
    {
        QFile file(mFolder + "/out/" + name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return file.readAll();
    }

    QString mFolder;
};

TEST_F(CBinHexEncoderOnDisk, HexbinDecodesBothForksNameTypeAndCreator)
{
    QByteArray data = RandomBytes(10000, 3);
    data += QByteArray(300, char(0x90));
    data += RandomBytes(3001, 4);
    const QByteArray resource = QByteArray(50, char(0x90)) + RandomBytes(777, 5);
    const QString path = mFolder + "/Report.pdf";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
    file.close();
    FSRef ref;
    ASSERT_EQ(FSPathMakeRef(path.toStdString(), &ref), noErr);
    FinderInfo finder;
    finder.SetFileType('PDF ');
    finder.SetFileCreator('CARO');
    ASSERT_EQ(FSSetFinderInfo(ref, finder), noErr);
    ASSERT_EQ(FSSetResourceFork(ref, resource), noErr);

    CBinHexEncoder encoder;
    ASSERT_EQ(encoder.EncodeFile(path.toUtf8().constData()), noErr);
    ASSERT_EQ(RunHexbin(Stream(encoder)), 0);
    EXPECT_EQ(ReadOut("Report.pdf.data"), data);
    EXPECT_EQ(ReadOut("Report.pdf.rsrc"), resource);
    const QByteArray info = ReadOut("Report.pdf.info");
    ASSERT_GE(info.size(), 73);
    EXPECT_EQ(info.mid(2, uchar(info[1])), "Report.pdf");
    EXPECT_EQ(info.mid(65, 4), "PDF ");
    EXPECT_EQ(info.mid(69, 4), "CARO");
}

TEST_F(CBinHexEncoderOnDisk, HexbinRejectsACorruptedStream)
{
    auto source = Source("c", 'TEXT', 'ttxt', RandomBytes(2000, 9));
    CBinHexEncoder encoder;
    ASSERT_EQ(encoder.Encode(source), noErr);
    std::string stream = Stream(encoder);
    const size_t at = std::strlen(kHeaderLine) + 200;
    stream[at] = stream[at] == 'a' ? 'b' : 'a';
    EXPECT_NE(RunHexbin(stream), 0);
}
