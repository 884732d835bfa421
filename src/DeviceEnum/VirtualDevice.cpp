#include "DeviceEnum/VirtualDevice.h"

namespace VarnDiags::DeviceEnum {

VirtualDevice::VirtualDevice(IDevice* device) {
    acquire(device);
}

VirtualDevice::VirtualDevice(const VirtualDevice& other) {
    acquire(other.m_pDevice);
}

VirtualDevice& VirtualDevice::operator=(const VirtualDevice& other) {
    if (other.m_pDevice != m_pDevice) {
        IDevice* device = other.m_pDevice;
        release();
        acquire(device);
    }
    return *this;
}

VirtualDevice::~VirtualDevice() {
    release();
}

IDevice* VirtualDevice::getDevice() {
    return m_pDevice;
}

bool VirtualDevice::openDevice(IDevice::AccessMode mode) {
    return m_pDevice != nullptr && m_pDevice->open(mode) == 0;
}

void VirtualDevice::closeDevice() {
    if (m_pDevice != nullptr)
        m_pDevice->close();
}

void VirtualDevice::acquire(IDevice* device) {
    m_pDevice = device;
    if (m_pDevice != nullptr)
        ++m_pDevice->m_useCount;
}

void VirtualDevice::release() {
    IDevice* device = m_pDevice;
    m_pDevice = nullptr;
    if (device == nullptr)
        return;
    if (device->m_useCount != 1) {
        --device->m_useCount;
        return;
    }
    device->close();
    delete device;
}

} // namespace VarnDiags::DeviceEnum
