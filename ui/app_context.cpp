#include "ui/app_context.h"

#include "app/acquisition_session.h"

namespace nimbrel {

AppContext contextOf(AcquisitionSession& session) {
    return AppContext{session.config(), session.texts(),  session.station(), session.store(),
                      session.clock(),  session.folder(), session.access(),  &session};
}

} // namespace nimbrel
