// Opens the user guide in the desktop's browser, for the Help menu.
#pragma once

#include <QString>

namespace quble {

// Finds the guide beside the running program (FindUserGuideFor) and hands
// it to the desktop. False, with the reason in *error, when there is no
// guide or the desktop cannot open it.
bool OpenUserGuide(QString* error);

}  // namespace quble
