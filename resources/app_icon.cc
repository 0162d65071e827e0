#include "resources/app_icon.h"

#include <QString>

#include "resources/icon_sizes.h"

QIcon LoadApplicationIcon() {
  QIcon icon;
  for (int nSize : kIconSizes) {
    icon.addFile(QStringLiteral(":/icons/sonomot-%1.png").arg(nSize),
                 QSize(nSize, nSize));
  }
  return icon;
}
