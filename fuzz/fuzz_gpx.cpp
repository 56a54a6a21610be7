// libFuzzer target: the GPX reader and the path it builds for the map.
#include "gpx/gpxtrackreader.h"

#include <QPainterPath>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_gpx: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    GpxTrackReader reader;
    const bool ok = reader.readData(bytes);
    if (!ok) {
        if (!reader.path().isEmpty() || reader.pointCount() != 0)
            fail("failed read left a path");
        if (reader.errorString().isEmpty())
            fail("failed read without error text");
        return 0;
    }
    if (!reader.errorString().isEmpty())
        fail("successful read with error text");
    if (reader.pointCount() < 0)
        fail("negative point count");
    // The map cannot draw non-finite coordinates: none may reach the path.
    const QPainterPath &path = reader.path();
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (!qIsFinite(e.x) || !qIsFinite(e.y))
            fail("non-finite coordinate in the path");
    }
    if (reader.pointCount() > 0 && path.elementCount() == 0)
        fail("points counted but no path");
    // A second reader on the same bytes gives the same result.
    GpxTrackReader again;
    if (again.readData(bytes) != ok || again.path() != path)
        fail("reading is not deterministic");
    return 0;
}
