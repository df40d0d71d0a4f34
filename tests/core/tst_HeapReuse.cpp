#include "platform/HeapReuse.h"

#include <cstdlib>
#include <QTest>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <vector>

// What a listing of a card's folder does to the heap: one large block for the
// list and tens of thousands of small names, all freed when the folder
// changes. After that, the memory must still be the program's, ready for the
// next listing, and not have been handed back to the system.
class tst_HeapReuse : public QObject
{
    Q_OBJECT

private slots:
    void freedListingStaysInTheHeap()
    {
#if !defined(__GLIBC__)
        QSKIP("the heap is tuned on glibc only");
#elif defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer's allocator stands in for glibc's heap");
#else
        quorvel::platform::keepFreedHeapForReuse();
        const struct mallinfo2 before = mallinfo2();

        // The lists and sort keys of a big folder: by default served by mmap
        // and unmapped when freed.
        auto *list = static_cast<char *>(std::malloc(8 * 1024 * 1024));
        QVERIFY(list);
        list[0] = 1;
        const struct mallinfo2 withList = mallinfo2();
        QCOMPARE(withList.hblkhd, before.hblkhd);

        // The names: by default the top of the heap is trimmed once they go.
        std::vector<void *> names;
        for (int i = 0; i < 200000; ++i)
            names.push_back(std::malloc(64));
        std::free(list);
        for (auto it = names.rbegin(); it != names.rend(); ++it)
            std::free(*it);
        const struct mallinfo2 after = mallinfo2();
        QVERIFY2(after.arena >= before.arena + 12 * 1024 * 1024,
                 qPrintable(QStringLiteral("heap went from %1 to %2 bytes")
                                .arg(before.arena)
                                .arg(after.arena)));
#endif
    }
};

QTEST_APPLESS_MAIN(tst_HeapReuse)
#include "tst_HeapReuse.moc"
