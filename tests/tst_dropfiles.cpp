// The file-drop block handed to the Windows clipboard, byte for byte.

#include "platform/DropFiles.h"

#include <QTest>

namespace {

quint32 read32(const std::vector<std::uint8_t> &block, std::size_t offset) {
    return quint32(block[offset]) | quint32(block[offset + 1]) << 8 | quint32(block[offset + 2]) << 16 |
           quint32(block[offset + 3]) << 24;
}

QString readPath(const std::vector<std::uint8_t> &block, std::size_t units) {
    QString path;
    for (std::size_t i = 0; i < units; ++i)
        path.append(QChar(char16_t(block[20 + 2 * i] | block[21 + 2 * i] << 8)));
    return path;
}

} // namespace

class TestDropFiles : public QObject {
    Q_OBJECT

private slots:
    void blockHoldsOneWidePathAfterTheHeader_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("nativePath");
        QTest::newRow("a 10-unit path fills bytes 20 to 39 of a 44-byte block")
            << QStringLiteral("C:\\a\\b.txt") << QStringLiteral("C:\\a\\b.txt");
        QTest::newRow("a Chinese path with slashes is written with backslashes")
            << QStringLiteral("C:/用户/文档/报告 2024.docx")
            << QStringLiteral("C:\\用户\\文档\\报告 2024.docx");
        QTest::newRow("a path outside the basic plane keeps its surrogate pairs")
            << QStringLiteral("D:/图片/😀.png") << QStringLiteral("D:\\图片\\😀.png");
    }
    void blockHoldsOneWidePathAfterTheHeader() {
        QFETCH(QString, path);
        QFETCH(QString, nativePath);
        const std::size_t n = std::size_t(path.size());
        const std::vector<std::uint8_t> block = dropFilesBlock(path.toStdU16String());

        QCOMPARE(block.size(), 20 + 2 * n + 4);
        QCOMPARE(read32(block, 0), 20u); // pFiles
        QCOMPARE(read32(block, 4), 0u);  // pt.x
        QCOMPARE(read32(block, 8), 0u);  // pt.y
        QCOMPARE(read32(block, 12), 0u); // fNC
        QCOMPARE(read32(block, 16), 1u); // fWide
        QCOMPARE(readPath(block, n), nativePath);
        QCOMPARE(read32(block, 20 + 2 * n), 0u); // path and list terminators
    }

    void tenUnitPathGivesTheDocumentedSize() {
        const std::vector<std::uint8_t> block = dropFilesBlock(u"C:\\a\\b.txt");
        QCOMPARE(block.size(), std::size_t(44));
        for (std::size_t i = 40; i < 44; ++i)
            QCOMPARE(int(block[i]), 0);
        QCOMPARE(int(block[20]), int('C'));
        QCOMPARE(int(block[38]), int('t'));
    }
};

QTEST_GUILESS_MAIN(TestDropFiles)
#include "tst_dropfiles.moc"
