// The factory of every proxy class with a member table, registered under its Java class name.
#include "jbridge/jfactory.h"
#include "jbridge/jni_core.h"
#include "jbridge/proxy/java_sql.h"

namespace jbridge::proxy {

void registerProxyFactories() {
#define QZ_J_REGISTER(pkg, Class)                         \
  {                                                       \
    static const JFactoryImpl<java::pkg::Class> kFactory; \
    registerFactory(kFactory);                            \
  }
  QZ_JAVA_CLASSES(QZ_J_REGISTER)
#undef QZ_J_REGISTER
}

}  // namespace jbridge::proxy
