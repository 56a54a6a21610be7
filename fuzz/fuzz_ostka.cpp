// libFuzzer target: the ".ostka" reader, the graphics built from what it accepts, and the writer.
#include <ostrika/ostrika.h>
#include <ostrikga/networkg.h>

#include <QApplication>
#include <QGraphicsScene>

#include <cstdio>
#include <cstdlib>

namespace {

QGraphicsScene *scene = nullptr;

[[noreturn]] void fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "fuzz_ostka: %s: %s\n", what, qPrintable(detail));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);
    scene = new QGraphicsScene;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));

    // Plain model first: all or nothing, and a failed read leaves no object behind.
    Ostrika::Network model;
    if (!model.loadFromData(bytes)) {
        if (model.objectCount() != 0)
            fail("failed read left objects", model.errorString());
        if (model.errorString().isEmpty())
            fail("failed read without error text", QString());
        return 0;
    }

    // What was accepted must survive a write and a read back unchanged.
    const QByteArray written = model.toData();
    if (!written.isEmpty()) {
        Ostrika::Network again;
        if (!again.loadFromData(written))
            fail("written document not readable", again.errorString());
        if (again.objectCount() != model.objectCount())
            fail("object count changed on round trip", QString());
        if (again.toData() != written)
            fail("second write differs from the first", QString());
    }

    // The graphics network draws whatever the model accepted; appending the same file again
    // must be refused (ids collide) and leave the drawn network as it was.
    Ostrikga::Networkg drawn(scene);
    if (!drawn.loadFromData(bytes))
        fail("graphics network refused what the model read", drawn.errorString());
    const int count = drawn.objectCount();
    if (count > 0 && drawn.loadFromData(bytes, true))
        fail("appending colliding ids succeeded", QString());
    if (drawn.objectCount() != count)
        fail("failed append changed the network", drawn.errorString());
    drawn.clear();
    return 0;
}
