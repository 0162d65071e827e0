// The program's version and description, shown in the start banner (the
// string the main dialog loads as its string 129) and written into the
// desktop entry.
#ifndef SONOMOT_RESOURCES_VERSION_H_
#define SONOMOT_RESOURCES_VERSION_H_

constexpr char kVersionString[] = "0.0.0.2";
constexpr char kFileDescription[] = "Sonomot Module";
constexpr char kInternalName[] = "Sonomot";

#endif  // SONOMOT_RESOURCES_VERSION_H_
