#pragma once
// A named bus: a distributor and a queue in one object, the queue delivering
// through the center itself. Its last outside release unsubscribes its clients
// and shuts the queue down.

#include "QZFramework/Notification/NotificationDistributor.h"
#include "QZFramework/Notification/NotificationQueue.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/StringT.h"

namespace QZ {

class LNotificationCenter : public LNotificationDistributor, public LNotificationQueue {
public:
  [[nodiscard]] static RCPtr<LNotificationCenter> Create(const WideString& name);
  ~LNotificationCenter() override;

  const WideString& GetName() const { return mName; }

  QZRESULT ReleaseInnerReferences() override;

private:
  explicit LNotificationCenter(const WideString& name);

  WideString mName;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LNotificationCenter, "class QZ::LNotificationCenter")
