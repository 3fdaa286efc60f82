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
        assert error_of(call).number == 116  # no connection object
    device.close()
    with pelmora.connect(*server) as left:
        pass
    assert error_of(left.raw.GetSSID).number == 116


def test_raw_setters_and_reports_reach_their_own_members(server):
    with pelmora.connect(*server) as device:
        raw = device.raw
        pairs = [("SSID", "Lab"), ("IpAddress", "10.0.0.7"), ("SubnetAddress", "255.255.0.0"),
                 ("DefaultRouterAddress", "10.0.0.1"), ("CommonName", "cn1"),
                 ("CommonName2", "cn2"), ("User", "someone"), ("Realm", "realm"),
                 ("WiFiChannel", 3), ("RTSTreshold", 500), ("Exponent", 3), ("Mode", 2),
                 ("APDensity", 3), ("AuthProtocol", 2), ("IpAssignmentMethod", 5)]
        for name, value in pairs:
            getattr(raw, "Set" + name)(value)
        read = {name: getattr(raw, "Get" + name.replace("IpAssign", "IPAssign"))()
                for name, _ in pairs}
        assert read == dict(pairs)
        # An automatic boot method that has not found its address yet: the two differ.
        assert (raw.GetIPInfo().BootMethod, raw.GetIPInfo().ActualIPAssignment) == (5, 0)
        ip = device.show("ip")
        assert (ip["BootMethod"], ip["ActualIPAssignment"]) == (5, 0)


def test_usage_errors_are_value_errors_and_keep_the_whole_text():
    for arguments, match in [(dict(framing_delay=-1), "framing_delay"),
                             (dict(host="127.0.0.1", port=70000), "port"),
                             (dict(host="127.0.0.1", port=0), "port"),
                             (dict(serial="/dev/null", baud=-5), "baud"),
                             (dict(host="127.0.0.1\x00junk"), "NUL"),
                             (dict(host=""), "host is empty"),
                             (dict(serial="/dev/null\x00x"), "NUL"),
                             (dict(timeout=0), "timeout"),
                             (dict(host="127.0.0.1", serial="/dev/null"), "not both")]:
        with pytest.raises(ValueError, match=match):
            pelmora.connect(**arguments)
    with pelmora.connect() as device:
        with pytest.raises(KeyError) as unknown:
            device.get("col\x00our")
        assert "'col\x00our' (known: mode" in unknown.value.args[0]
        for value in (10**30, -2**31 - 1):
            with pytest.raises(ValueError, match="out of range"):
                device.set("channel", value)
        with pytest.raises(ValueError, match=r"channel: out of range \(1 to 11\)"):
            device.set("channel", -2**31)  # a 32-bit number, refused by the setting's own bounds
    simulation = pelmora.simulate()
    with simulation:
        with pytest.raises(ValueError, match="already serving"):
            simulation.__enter__()
    with pytest.raises(ValueError, match="ended"):
        simulation.__enter__()


def test_backup_fails_when_a_getter_fails(stalling_shell):
    device = pelmora.connect("127.0.0.1", stalling_shell.port)
    assert error_of(device.backup).number == 9998


def test_the_embedded_simulator_needs_no_server():
    with pelmora.connect(framing_delay=0) as device:
        assert device.raw.FramingDelay() == 0 and device.get("ssid") == "PrintNet"
