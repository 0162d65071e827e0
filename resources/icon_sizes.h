// The pixel sizes of the application icon's PNG images (resources/icons/):
// 16 and 32 for the title bar and task switcher, 48 and 256 for desktops.
#ifndef SONOMOT_RESOURCES_ICON_SIZES_H_
#define SONOMOT_RESOURCES_ICON_SIZES_H_

constexpr int kIconSizes[] = {16, 32, 48, 256};

#endif  // SONOMOT_RESOURCES_ICON_SIZES_H_
