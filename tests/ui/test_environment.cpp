// The GUI tests run headless and find the source tree even where the test
// runner passes them only part of their environment.

#include <QByteArray>
#include <QtGlobal>

namespace {

void SetIfUnset(const char* name, const QByteArray& value)
{
    if (qEnvironmentVariableIsEmpty(name))
        qputenv(name, value);
}

// Runs before main, so before any test creates the application object.
const bool environmentReady = [] {
    SetIfUnset("QT_QPA_PLATFORM", "offscreen");
    SetIfUnset("VY_SOURCE_DIR", VY_TEST_SOURCE_DIR);
    return true;
}();

}  // namespace
