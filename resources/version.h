// The program's version and description, shown in the start banner (the
// string the main dialog loads as its string 129), and the copyright and
// licence lines --version prints after the version (the same as LICENSE and
// the packages' copyright files).
#ifndef SONOMOT_RESOURCES_VERSION_H_
#define SONOMOT_RESOURCES_VERSION_H_

constexpr char kVersionString[] = "0.0.0.2";
constexpr char kFileDescription[] = "Sonomot Module";
constexpr char kInternalName[] = "Sonomot";
constexpr char kCopyright[] =
    "Copyright (C) 2026 Sonomot developers\n"
    "License MIT: <https://opensource.org/license/mit>\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

#endif  // SONOMOT_RESOURCES_VERSION_H_
