#include "platform/mci/service.h"

#include "platform/mci/mci_errors.h"

namespace mci {

uint32_t Service::send(std::string_view, char*, uint32_t) {
    return kUnrecognizedCommand;
}

Service& processService() {
    static Service service;
    return service;
}

} // namespace mci
