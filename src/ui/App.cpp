#include "ui/App.h"

#include "QuorvelVersion.h"

namespace quorvel::ui {

App App::fromBuild()
{
    App app;
    app.Title = QString::fromLatin1(version::title);
    app.Major = version::major;
    app.Minor = version::minor;
    app.Revision = version::revision;
    return app;
}

} // namespace quorvel::ui
