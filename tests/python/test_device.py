"""The Device against simulated print servers: reports, shell lines, dialogues, the raw object,
and the errors a script meets."""

from concurrent.futures import ThreadPoolExecutor

import pytest

import pelmora


def error_of(call):
    with pytest.raises(pelmora.AutomationError) as raised:
        call()
    return raised.value


def test_reports_and_command_lines(server):
    with pelmora.connect(*server) as device:
        assert device.show("version") == dict(ProductName="Pelmora T2 Wireless Print Server",
            FirmwareVersion="6.02 (2006-03-14)", BootVersion="1.10")
        ip = device.show("ip")
        assert list(ip) == ["IPAddress", "SubnetMask", "DefaultRouter", "BootMethod",
                            "ActualIPAssignment"]
        assert ip["IPAddress"] == "10.1.2.3" and ip["BootMethod"] == 2
        wireless = device.show("wireless")
        assert list(wireless) == ["RegulatoryDomain", "WiFiFWVersion", "APMacAddress",
                                  "WepEncryption", "WepKey1Set", "WepKey2Set", "WepKey3Set",
                                  "WepKey4Set", "EAPState"]
        assert wireless["WepKey1Set"] is False and wireless["EAPState"] == 3
        assert device.command("SH NW SSID") == "WiFi SSID: PrintNet"
        with pytest.raises(ValueError, match="version, ip, wireless"):
            device.show("status")


def test_saved_settings_outlive_the_session_and_reset(server):
    with pelmora.connect(*server) as device:
        device.raw.SetSSID("Büro")
        device.raw.SetWiFiChannel(6)
        assert (device.raw.GetSSID(), device.raw.GetWiFiChannel()) == ("Büro", 6)
        device.save()
        device.reset()
        assert device.raw.GetSSID() == "Büro"  # a new session after the restart
        info = device.raw.GetWirelessInfo()
        assert info.APMacAddress == "00:11:22:33:44:55" and "FCC" in info.ToString()
        device.logoff()
    with pelmora.connect(*server) as again:
        assert again.raw.GetSSID() == "Büro"


def test_login_and_logoff_with_a_password():
    with pelmora.simulate(password="secret") as (host, port):
        device = pelmora.connect(host, port)
        assert device.read_only
        device.login("secret")
        assert not device.read_only
        assert not pelmora.connect(host, port, password="secret").read_only


def test_device_errors_carry_the_library_number_source_and_description(server):
    device = pelmora.connect(*server)
    refused = error_of(lambda: device.command("SET NW CHANNEL 99"))
    assert refused.number == 9998 and refused.source and refused.description
    assert str(refused) == f"error 9998 ({refused.source}): {refused.description}"

    with pytest.raises(ValueError, match="U\\+00FF"):
        device.command("SH NW SSID \u20ac")

    with ThreadPoolExecutor(1) as pool:
        elsewhere = pool.submit(device.command, "SH NW SSID").exception()
    assert isinstance(elsewhere, RuntimeError) and "thread that connected it" in str(elsewhere)

    device.close()
    for call in (lambda: device.command("SH NW SSID"), device.save, device.raw.GetSSID,
                 lambda: device.read_only):
        assert error_of(call).number in (91, 116)
    device.close()


def test_connecting_to_nothing_fails_at_connect():
    with pelmora.simulate() as (host, port):
        pass
    assert error_of(lambda: pelmora.connect(host, port)).number == 3001
    with pytest.raises(ValueError):
        pelmora.connect(host, port, serial="/dev/null")


def test_the_embedded_simulator_needs_no_server():
    with pelmora.connect() as device:
        assert device.raw.GetSSID() == "PrintNet"
    with pelmora.connect(framing_delay=0) as device:
        assert device.raw.FramingDelay() == 0 and device.get("ssid") == "PrintNet"
