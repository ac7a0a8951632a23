// umockdev first: GLib's headers name struct members "signals", which Qt defines away.
#include <umockdev.h>

#include "HidrawRig.h"
#include "NodeIo.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QtDebug>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Vendor page, report id 0x3F, 63 data bytes in and out: the gauge's HID interface.
const quint8 ReportDescriptor[] = {
    0x06, 0x00, 0xFF,       // Usage Page (vendor 0xFF00)
    0x09, 0x01,             // Usage (1)
    0xA1, 0x01,             // Collection (Application)
    0x85, 0x3F,             //   Report ID (0x3F)
    0x15, 0x00,             //   Logical Minimum (0)
    0x26, 0xFF, 0x00,       //   Logical Maximum (255)
    0x75, 0x08,             //   Report Size (8)
    0x95, 0x3F,             //   Report Count (63)
    0x09, 0x01,             //   Usage (1)
    0x81, 0x02,             //   Input (Data, Variable, Absolute)
    0x09, 0x01,             //   Usage (1)
    0x91, 0x02,             //   Output (Data, Variable, Absolute)
    0xC0,                   // End Collection
};
constexpr char DeviceName[] = "Palvarin test gauge";

bool writeAll(int fd, const quint8 *data, int length)
{
    while (length > 0) {
        const ssize_t n = ::write(fd, data, size_t(length));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= int(n);
    }
    return true;
}

// Takes a string umockdev hands over (transfer full) and frees it.
QByteArray adopt(gchar *text)
{
    const QByteArray copy(text);
    g_free(text);
    return copy;
}

} // namespace

struct HidrawRig::Node
{
    std::shared_ptr<EmulatedInstrument> instrument;
    quint64 epoch = 0;
    QString serial;
    quint16 productId = ProductId;
    int index = 0;
    QByteArray usbPath, interfacePath, hidPath, rawPath, devnode, devLink;
    int master = -1;
    int pty = -1;
    UMockdevIoctlBase *ioctl = nullptr;
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<bool> gone{false};
    std::atomic<int> refused{0};
};

namespace {

gboolean handleIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer data)
{
    const auto *node = static_cast<const HidrawRig::Node *>(data);
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    GError *error = nullptr;
    auto answer = [&](const void *bytes, gsize length, glong result) {
        UMockdevIoctlData *target = umockdev_ioctl_data_resolve(arg, 0, length, &error);
        if (!target) {
            g_clear_error(&error);
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
        umockdev_ioctl_data_update(target, 0, static_cast<guint8 *>(const_cast<void *>(bytes)), gint(length));
        umockdev_ioctl_data_unref(target);
        umockdev_ioctl_client_complete(client, result, 0);
    };

    if (request == HIDIOCGRDESCSIZE) {
        const int size = int(sizeof ReportDescriptor);
        answer(&size, sizeof size, 0);
    } else if (request == HIDIOCGRDESC) {
        hidraw_report_descriptor descriptor {};
        descriptor.size = sizeof ReportDescriptor;
        std::memcpy(descriptor.value, ReportDescriptor, sizeof ReportDescriptor);
        answer(&descriptor, sizeof descriptor, 0);
    } else if (request == HIDIOCGRAWINFO) {
        hidraw_devinfo info {};
        info.bustype = 3; // BUS_USB
        info.vendor = qint16(HidrawRig::VendorId);
        info.product = qint16(node->productId);
        answer(&info, sizeof info, 0);
    } else if (_IOC_TYPE(request) == 'H' && _IOC_NR(request) == _IOC_NR(HIDIOCGRAWNAME(0))) {
        const gsize room = _IOC_SIZE(request);
        QByteArray name(DeviceName);
        name.truncate(int(room > 0 ? room - 1 : 0));
        name.append('\0');
        answer(name.constData(), gsize(name.size()), glong(name.size()));
    } else {
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
    }
    return TRUE;
}

} // namespace

bool HidrawRig::underPreload()
{
    const char *preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "libumockdev-preload");
}

bool HidrawRig::reexecUnderPreload(char **argv)
{
    if (underPreload())
        return true;
    QByteArray preload(PALVARIN_UMOCKDEV_PRELOAD);
    if (const char *before = std::getenv("LD_PRELOAD"); before && *before)
        preload += ":" + QByteArray(before);
    ::setenv("LD_PRELOAD", preload.constData(), 1);
    ::execv("/proc/self/exe", argv);
    return false;
}

HidrawRig::HidrawRig()
{
    if (underPreload())
        testbed = umockdev_testbed_new();
}

HidrawRig::~HidrawRig()
{
    std::vector<std::unique_ptr<Node>> all;
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        all.swap(nodes);
    }
    for (auto &node : all) {
        node->stop = true;
        if (node->thread.joinable())
            node->thread.join();
        std::lock_guard<std::recursive_mutex> guard(lock);
        removeNodeLocked(*node);
    }
    if (testbed)
        g_object_unref(testbed);
}

QString HidrawRig::plug(std::shared_ptr<EmulatedInstrument> instrument, quint16 productId)
{
    if (!testbed || !instrument)
        return QString();
    const QString serial = instrument->usbSerial();
    // A node of the same serial that went by itself is finished off first (outside the
    // lock: its pump takes it to remove the node).
    std::vector<std::unique_ptr<Node>> old;
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        for (auto it = nodes.begin(); it != nodes.end();) {
            if ((*it)->serial == serial) {
                old.push_back(std::move(*it));
                it = nodes.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto &node : old) {
        node->instrument->pullOut();
        if (node->thread.joinable())
            node->thread.join();
        std::lock_guard<std::recursive_mutex> guard(lock);
        removeNodeLocked(*node);
    }
    std::lock_guard<std::recursive_mutex> guard(lock);
    // Each plug gets a new node name: umockdev keeps a pulled node's PTY under its name.
    const int index = nodeNumber++;
    auto node = std::make_unique<Node>();
    node->instrument = instrument;
    node->serial = serial;
    node->productId = productId;
    node->index = index;
    ++usbNumber;
    const QByteArray usbName = "1-" + QByteArray::number(usbNumber);
    const QByteArray serialText = serial.toUtf8();
    const QByteArray idProduct = QByteArray::number(productId, 16).rightJustified(4, '0');
    node->usbPath = adopt(umockdev_testbed_add_device(
        testbed, "usb", usbName.constData(), nullptr,
        "idVendor", "2047", "idProduct", idProduct.constData(), "bcdDevice", "0125",
        "manufacturer", "Palvarin test", "product", DeviceName, "serial", serialText.constData(), nullptr,
        "DEVTYPE", "usb_device", nullptr));
    const QByteArray interfaceName = usbName + ":1.0";
    node->interfacePath = adopt(umockdev_testbed_add_device(
        testbed, "usb", interfaceName.constData(), node->usbPath.constData(),
        "bInterfaceNumber", "00", "bInterfaceClass", "03", nullptr,
        "DEVTYPE", "usb_interface", "INTERFACE", "3/0/0", nullptr));
    const QByteArray hidName = "0003:2047:" + idProduct.toUpper() + "." + QByteArray::number(usbNumber, 16).rightJustified(4, '0').toUpper();
    const QByteArray hidId = "0003:00002047:0000" + idProduct.toUpper();
    node->hidPath = adopt(umockdev_testbed_add_device(
        testbed, "hid", hidName.constData(), node->interfacePath.constData(), nullptr,
        "HID_ID", hidId.constData(), "HID_NAME", DeviceName, "HID_UNIQ", serialText.constData(),
        "HID_PHYS", (usbName + "/input0").constData(), nullptr));
    umockdev_testbed_set_attribute_binary(testbed, node->hidPath.constData(), "report_descriptor",
                                          const_cast<quint8 *>(ReportDescriptor), gint(sizeof ReportDescriptor));
    const QByteArray rawName = "hidraw" + QByteArray::number(index);
    node->devnode = "/dev/" + rawName;
    node->rawPath = node->hidPath + "/" + rawName;
    // A device description with a node line is what makes umockdev put a PTY behind the
    // node; its preload maps the PTY back to these numbers for stat and fstat. hidapi's
    // string getters find the device from the open handle's number via /sys/dev/char.
    QByteArray majorText = "244";
    QByteArray minorText = QByteArray::number(index);
    const QByteArray description = "P: " + node->rawPath.mid(4) + "\nN: " + rawName + "\nE: DEVNAME=" + node->devnode
            + "\nE: SUBSYSTEM=hidraw\nE: MAJOR=" + majorText + "\nE: MINOR=" + minorText
            + "\nA: dev=" + majorText + ":" + minorText + "\n";
    GError *error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, description.constData(), &error)) {
        qWarning("HidrawRig: cannot add %s: %s", node->devnode.constData(), error->message);
        g_clear_error(&error);
        removeNodeLocked(*node);
        return QString();
    }
    node->master = umockdev_testbed_get_dev_fd(testbed, node->devnode.constData());
    if (node->master < 0) {
        qWarning("HidrawRig: no PTY behind %s", node->devnode.constData());
        removeNodeLocked(*node);
        return QString();
    }
    // Opened, the node is the PTY's slave: fstat gives its numbers, and libudev refuses a
    // /sys/dev/char entry whose device carries other numbers. So sysfs takes the PTY's.
    unsigned int pty = 0;
    if (::ioctl(node->master, TIOCGPTN, &pty) == 0) {
        node->pty = int(pty);
        NodeIo::add(node->pty);
        const dev_t number = makedev(136 + pty / 256, pty % 256); // Unix98 PTY slaves
        majorText = QByteArray::number(major(number));
        minorText = QByteArray::number(minor(number));
        umockdev_testbed_set_property(testbed, node->rawPath.constData(), "MAJOR", majorText.constData());
        umockdev_testbed_set_property(testbed, node->rawPath.constData(), "MINOR", minorText.constData());
        umockdev_testbed_set_attribute(testbed, node->rawPath.constData(), "dev", (majorText + ":" + minorText).constData());
    }
    gchar *sysDir = umockdev_testbed_get_sys_dir(testbed);
    // hidapi reads the HID device's uevent and report descriptor through hidrawN/device.
    const QByteArray deviceLink = QByteArray(sysDir) + node->rawPath.mid(4) + "/device";
    if (::symlink("..", deviceLink.constData()) != 0)
        qWarning("HidrawRig: no device link in %s", node->rawPath.constData());
    const QByteArray charDir = QByteArray(sysDir) + "/dev/char";
    g_mkdir_with_parents(charDir.constData(), 0755);
    const QByteArray link = charDir + "/" + majorText + ":" + minorText;
    if (!QFileInfo::exists(QString::fromLocal8Bit(link))) {
        // Relative, as the kernel's: libudev takes only targets that stay under /sys.
        const QByteArray target = "../.." + node->rawPath.mid(4); // rawPath starts with /sys
        if (::symlink(target.constData(), link.constData()) == 0)
            node->devLink = link;
    }
    g_free(sysDir);

    node->ioctl = umockdev_ioctl_base_new();
    g_signal_connect(node->ioctl, "handle-ioctl", G_CALLBACK(handleIoctl), node.get());
    if (!umockdev_testbed_attach_ioctl(testbed, node->devnode.constData(), node->ioctl, &error)) {
        qWarning("HidrawRig: cannot handle the ioctls of %s: %s", node->devnode.constData(), error->message);
        g_clear_error(&error);
        removeNodeLocked(*node);
        return QString();
    }

    node->epoch = instrument->plugIn();
    instrument->discardInput();
    Node *raw = node.get();
    node->thread = std::thread([this, raw] { pump(raw); });
    nodes.push_back(std::move(node));
    return QString::fromUtf8(raw->devnode);
}

// Sysfs and node of a pulled gauge go away as the kernel takes them: "remove" first (a
// monitor then still finds the device), then the tree, then the node hangs up.
void HidrawRig::removeNodeLocked(Node &node)
{
    if (!testbed || node.usbPath.isEmpty())
        return;
    NodeIo::remove(node.pty);
    for (const QByteArray &path : {node.rawPath, node.hidPath, node.interfacePath, node.usbPath}) {
        if (!path.isEmpty())
            umockdev_testbed_uevent(testbed, path.constData(), "remove");
    }
    if (node.ioctl) {
        GError *error = nullptr;
        if (!umockdev_testbed_detach_ioctl(testbed, node.devnode.constData(), &error))
            g_clear_error(&error);
        g_object_unref(node.ioctl);
        node.ioctl = nullptr;
    }
    if (!node.devLink.isEmpty())
        ::unlink(node.devLink.constData());
    umockdev_testbed_remove_device(testbed, node.usbPath.constData());
    // umockdev leaves the node and its PTY behind. The node goes; the PTY's master is
    // replaced by /dev/null under the same number (umockdev closes that number later), so
    // the program's open handle hangs up as on a pulled device.
    gchar *root = umockdev_testbed_get_root_dir(testbed);
    ::unlink((QByteArray(root) + node.devnode).constData());
    // The PTY's number is free again for the next plug's node.
    if (node.pty >= 0)
        ::unlink((QByteArray(root) + "/dev/.ptymap/_dev_pts_" + QByteArray::number(node.pty)).constData());
    g_free(root);
    if (node.master >= 0) {
        const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, node.master);
            ::close(null);
        }
    }
    node.usbPath.clear();
    node.master = -1;
    node.gone = true;
}

void HidrawRig::pump(Node *node)
{
    EmulatedInstrument &instrument = *node->instrument;
    quint8 report[ReportLength];
    QByteArray written(4096, Qt::Uninitialized);
    while (!node->stop && instrument.hostPresent(node->epoch)) {
        const bool replyQueued = instrument.pendingInputReports() > 0;
        pollfd request {node->master, POLLIN, 0};
        const int ready = ::poll(&request, 1, replyQueued ? 0 : 2);
        if (ready > 0 && (request.revents & POLLIN)) {
            // The program writes one report and then waits for the reply, so one read
            // here is one write there.
            const ssize_t n = ::read(node->master, written.data(), size_t(written.size()));
            if (n > 0) {
                const auto *bytes = reinterpret_cast<const quint8 *>(written.constData());
                bool wellFormed = n % ReportLength == 0;
                for (ssize_t at = 0; wellFormed && at < n; at += ReportLength)
                    wellFormed = bytes[at] == 0x3F;
                if (!wellFormed)
                    ++node->refused;
                for (ssize_t at = 0; wellFormed && at < n; at += ReportLength)
                    instrument.hostWriteReport(node->epoch, bytes + at, ReportLength, 1000);
            }
        }
        // Every report that is due goes to the node; the program reads one report a read.
        // It waits only while a report is queued: waiting on after the reply's last one
        // would leave the program's next request unread in the node until the wait ran out.
        while (true) {
            const int wait = instrument.pendingInputReports() > 0 ? 2 : 0;
            const int n = instrument.hostReadReport(node->epoch, report, ReportLength, wait);
            if (n <= 0 || !writeAll(node->master, report, n))
                break;
        }
    }
    if (!node->stop) {
        std::lock_guard<std::recursive_mutex> guard(lock);
        removeNodeLocked(*node);
    }
}

bool HidrawRig::unplug(const QString &usbSerial)
{
    Node *found = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        for (const auto &node : nodes) {
            if (node->serial == usbSerial && !node->gone)
                found = node.get();
        }
    }
    if (!found)
        return false;
    found->instrument->pullOut();
    if (found->thread.joinable())
        found->thread.join();
    return found->gone;
}

bool HidrawRig::waitGone(const QString &usbSerial, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        bool present = false;
        {
            std::lock_guard<std::recursive_mutex> guard(lock);
            for (const auto &node : nodes)
                present = present || (node->serial == usbSerial && !node->gone);
        }
        if (!present)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

QString HidrawRig::nodeOf(const QString &usbSerial) const
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    for (const auto &node : nodes) {
        if (node->serial == usbSerial && !node->gone)
            return QString::fromUtf8(node->devnode);
    }
    return QString();
}

int HidrawRig::refusedWrites() const
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    int total = 0;
    for (const auto &node : nodes)
        total += node->refused;
    return total;
}
