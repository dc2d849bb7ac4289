#include "platform/serial_port_list.h"

#include <libudev.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>

namespace platform {
namespace {

std::string Text(const char* s) { return s ? s : ""; }

uint16_t Hex16(const char* s) { return s ? uint16_t(std::strtoul(s, nullptr, 16)) : 0; }

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};

}  // namespace

std::optional<std::vector<SerialPortInfo>> ListSerialPorts() {
    std::unique_ptr<udev, UdevDeleter> context(udev_new());
    if (!context) return std::nullopt;
    std::unique_ptr<udev_enumerate, UdevDeleter> list(udev_enumerate_new(context.get()));
    if (!list || udev_enumerate_add_match_subsystem(list.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(list.get()) < 0)
        return std::nullopt;
    std::vector<SerialPortInfo> ports;
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(list.get())) {
        std::unique_ptr<udev_device, UdevDeleter> dev(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!dev || !udev_device_get_devnode(dev.get())) continue;
        // Parents are owned by the child; they are not unreferenced here.
        udev_device* usb = udev_device_get_parent_with_subsystem_devtype(dev.get(), "usb", "usb_device");
        udev_device* pci = usb ? nullptr : udev_device_get_parent_with_subsystem_devtype(dev.get(), "pci", nullptr);
        if (!usb && !pci) continue;  // virtual consoles, legacy ports without a bus
        SerialPortInfo info;
        info.name = Text(udev_device_get_sysname(dev.get()));
        info.devNode = Text(udev_device_get_devnode(dev.get()));
        info.idPath = Text(udev_device_get_property_value(dev.get(), "ID_PATH"));
        if (usb) {
            info.usb = true;
            info.vendorId = Hex16(udev_device_get_sysattr_value(usb, "idVendor"));
            info.productId = Hex16(udev_device_get_sysattr_value(usb, "idProduct"));
            info.serial = Text(udev_device_get_sysattr_value(usb, "serial"));
            info.model = Text(udev_device_get_sysattr_value(usb, "product"));
        } else {
            info.model = Text(udev_device_get_property_value(dev.get(), "ID_MODEL_FROM_DATABASE"));
        }
        ports.push_back(std::move(info));
    }
    return ports;
}

std::optional<std::string> CharacterDevicePath(const std::string& path) {
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved)) return std::nullopt;
    struct stat st {};
    if (stat(resolved, &st) != 0 || !S_ISCHR(st.st_mode)) return std::nullopt;
    return std::string(resolved);
}

}  // namespace platform
