#include "platform/Application.h"

namespace platform {

namespace {
ApplicationDelegateFactory& factoryStorage() {
    static ApplicationDelegateFactory factory;
    return factory;
}
}  // namespace

void registerApplicationDelegateFactory(ApplicationDelegateFactory factory) {
    factoryStorage() = std::move(factory);
}

const ApplicationDelegateFactory& applicationDelegateFactory() { return factoryStorage(); }

}  // namespace platform
