// The application icon (icon 128 of the main dialog) for the window program.
#ifndef SONOMOT_RESOURCES_APP_ICON_H_
#define SONOMOT_RESOURCES_APP_ICON_H_

#include <QIcon>

// The icon with every PNG size built into the program (16, 32, 48, 256), so
// the title bar and the task switcher each pick the image of their size.
// Returns an empty icon only if the program was built without its images.
QIcon LoadApplicationIcon();

#endif  // SONOMOT_RESOURCES_APP_ICON_H_
