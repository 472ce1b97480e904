#include "update/ReleaseNote.h"

namespace tessivar::update {

QDebug operator<<(QDebug debug, const ReleaseNote_t& note)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "ReleaseNote_t[BugFix=" << note.BugFix << ", Note=" << note.Note << "]";
    return debug;
}

QDebug operator<<(QDebug debug, const ApplicationReleaseInformation_t& information)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "ApplicationReleaseInformation_t[Version=" << information.Version
                    << ", Date=" << information.Date.toString(Qt::ISODate) << ", Notes=" << information.Notes.size()
                    << "]";
    return debug;
}

} // namespace tessivar::update
