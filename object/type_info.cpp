#include "object/type_info.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "object/proxy_object.h"
#include "variant/variant.h"

namespace {

int32_t intTo(int32_t count, int32_t* out) {
  if (!out) return kQzFailed;
  *out = count;
  return kQzOk;
}

int32_t nameTo(const std::string& name, qzVariantS* out) {
  if (!out) return kQzFailed;
  try {
    out->setString(name.c_str());
  } catch (...) {
    return kQzFailed;
  }
  return kQzOk;
}

bool hasRow(proxyMethodTableC* table, const char* name, int32_t kind) {
  return table && table->lookup(name, kind) != nullptr;
}

class methodInfoC final : public defQZCOMWrapperT<qzIComMethodeTypeInfo, &qziid::kMethodTypeInfo> {
 public:
  methodInfoC(proxyObjectC* object, const char* name)
      : object_(qzRef<qzIDispatch>::share(object)), name_(name) {
    int32_t minimum = 65536, maximum = 0;
    proxyMethodTableC* table = object->methodTable();
    for (const proxyMethodRowS* row = table ? table->rows() : nullptr; row && row->handler; ++row) {
      if (row->kind != kQzMethod || !qzEqualsIgnoringAsciiCase(row->name ? row->name : "", name))
        continue;
      minimum = std::min(minimum, row->parameterCount);
      maximum = std::max(maximum, row->parameterCount);
    }
    if (minimum == -1) minimum = 0;
    minimum_ = minimum;
    maximum_ = maximum;
  }
  int32_t getName(qzVariantS* out) override { return nameTo(name_, out); }
  int32_t getMinParameterCount(int32_t* out) override { return intTo(minimum_, out); }
  int32_t getOptionalParameterCount(int32_t* out) override {
    return intTo(maximum_ - minimum_, out);
  }

 private:
  qzRef<qzIDispatch> object_;
  std::string name_;
  int32_t minimum_ = 0;
  int32_t maximum_ = 0;
};

class propertyInfoC final
    : public defQZCOMWrapperT<qzIComPropertyTypeInfo, &qziid::kPropertyTypeInfo> {
 public:
  propertyInfoC(proxyObjectC* object, const char* name, int32_t kind)
      : object_(qzRef<qzIDispatch>::share(object)), name_(name), kind_(kind) {}
  int32_t getName(qzVariantS* out) override { return nameTo(name_, out); }
  int32_t getKind(int32_t* out) override { return intTo(kind_, out); }

 private:
  qzRef<qzIDispatch> object_;
  std::string name_;
  int32_t kind_;
};

qzIUnknown* memberInfo(proxyObjectC* object, const char* name, int32_t bit) {
  qzIUnknown* info = nullptr;
  if (bit == kQzMethod) {
    info = static_cast<qzIComMethodeTypeInfo*>(new methodInfoC(object, name));
  } else {
    info = static_cast<qzIComPropertyTypeInfo*>(new propertyInfoC(object, name, bit));
  }
  info->AddRef();
  return info;
}

constexpr int32_t kKindBits[] = {kQzMethod, kQzPropertyGet, kQzPropertyPut};

class proxyTypeInfoC final : public defQZCOMWrapperT<qzIComTypeInfo, &qziid::kTypeInfo> {
 public:
  explicit proxyTypeInfoC(proxyObjectC* object) : object_(object) { object_->AddRef(); }
  ~proxyTypeInfoC() override { object_->Release(); }

  int32_t getMembers(int32_t mask, qzIUnknown** out) override {
    if (!out) return kQzFailed;
    try {
      proxyMethodTableC* table = object_->methodTable();
      std::vector<std::string> names;
      for (const proxyMethodRowS* row = table ? table->rows() : nullptr; row && row->handler;
           ++row) {
        names.emplace_back(row->name ? row->name : "");
      }
      std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return std::strcmp(a.c_str(), b.c_str()) < 0;
      });
      names.erase(std::unique(names.begin(), names.end()), names.end());
      qzRef<qzClassObjectCollectionT> collection(new qzClassObjectCollectionT());
      collection->AddRef();
      for (const std::string& name : names) {
        for (int32_t bit : kKindBits) {
          if ((mask & bit) && hasRow(table, name.c_str(), bit)) {
            collection->add(memberInfo(object_, name.c_str(), bit));
          }
        }
      }
      *out = static_cast<qzIComObjectCollection*>(collection.detach());
      return kQzOk;
    } catch (...) {
      return kQzFailed;
    }
  }

  int32_t getMember(const char* name, int32_t mask, qzIUnknown** out) override {
    if (!out) return kQzFailed;
    for (int32_t bit : kKindBits) {
      if (!(mask & bit)) continue;
      if (!hasRow(object_->methodTable(), name ? name : "", bit)) return kQzFailed;
      try {
        *out = memberInfo(object_, name ? name : "", bit);
      } catch (...) {
        return kQzFailed;
      }
      return kQzOk;
    }
    return kQzFailed;
  }

 private:
  proxyObjectC* object_;
};

}  // namespace

qzClassObjectCollectionT::~qzClassObjectCollectionT() {
  for (qzIUnknown* item : items_) item->Release();
}

int32_t qzClassObjectCollectionT::getCount(int32_t* out) {
  return intTo(static_cast<int32_t>(items_.size()), out);
}

int32_t qzClassObjectCollectionT::getItem(int32_t index, qzIUnknown** out) {
  if (!out || index < 0 || index >= static_cast<int32_t>(items_.size())) return kQzFailed;
  items_[index]->AddRef();
  *out = items_[index];
  return kQzOk;
}

qzIComTypeInfo* qzCreateTypeInfo(proxyObjectC* object) {
  auto* info = new proxyTypeInfoC(object);
  info->AddRef();
  return info;
}
