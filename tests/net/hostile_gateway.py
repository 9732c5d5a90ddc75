#!/usr/bin/env python3
"""A UPnP gateway that answers what a hostile or broken router might, for
port_mapping_test.sh, inside the test's own network namespace: SSDP on
ADDRESS, and description and control over HTTP on ADDRESS:5000.

  hostile_gateway.py ADDRESS LOG EXTERNAL RESERVED [MODE]

EXTERNAL is the outside address it names (backslash escapes such as \\x1b are
read), RESERVED the NewReservedPort of its AddAnyPortMapping; AddPortMapping
is refused as a conflict. MODE makes it worse:
  drip     the description comes a byte every four seconds (of the 4096 its
           Content-Length says)
  huge     the description streams without a length, up to 1 GiB
  endless  the answer to GetExternalIPAddress is chunked and never ends (up
           to 1 GiB)
Every SOAP action and its port goes to LOG, and so does the host's closing of
a connection the gateway was still sending on ("GET closed", "POST closed")."""
import select
import socket
import socketserver
import struct
import sys
import threading
from http.server import BaseHTTPRequestHandler, HTTPServer

address, log_path, external, reserved = sys.argv[1:5]
external = external.encode().decode('unicode_escape')
mode = sys.argv[5] if len(sys.argv) > 5 else ''
gib = 1 << 30
service = 'urn:schemas-upnp-org:service:WANIPConnection:2'

description = f'''<?xml version="1.0"?>
<root xmlns="urn:schemas-upnp-org:device-1-0"><specVersion><major>1</major><minor>0</minor></specVersion>
<device><deviceType>urn:schemas-upnp-org:device:InternetGatewayDevice:2</deviceType>
<deviceList><device><deviceType>urn:schemas-upnp-org:device:WANDevice:2</deviceType>
<serviceList><service><serviceType>urn:schemas-upnp-org:service:WANCommonInterfaceConfig:1</serviceType>
<serviceId>urn:upnp-org:serviceId:WANCommonIFC1</serviceId><controlURL>/cif</controlURL>
<eventSubURL>/cif</eventSubURL><SCPDURL>/cif.xml</SCPDURL></service></serviceList>
<deviceList><device><deviceType>urn:schemas-upnp-org:device:WANConnectionDevice:2</deviceType>
<serviceList><service><serviceType>{service}</serviceType>
<serviceId>urn:upnp-org:serviceId:WANIPConn1</serviceId><controlURL>/ctl</controlURL>
<eventSubURL>/evt</eventSubURL><SCPDURL>/ip.xml</SCPDURL></service></serviceList>
</device></deviceList></device></deviceList></device></root>'''.encode()


def log(line):
    with open(log_path, 'a', encoding='utf-8', errors='backslashreplace') as out:
        out.write(line + '\n')


def field(body, name):
    start = body.find(f'<{name}>')
    end = body.find(f'</{name}>')
    return body[start + len(name) + 2:end] if 0 <= start < end else ''


class Gateway(BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def log_message(self, *args):
        pass

    def reply(self, status, body):
        self.send_response(status)
        self.send_header('Content-Type', 'text/xml; charset="utf-8"')
        self.send_header('Content-Length', str(len(body)))
        self.send_header('Connection', 'close')
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        log('GET')
        if mode == 'drip':
            self.send_response(200)
            self.send_header('Content-Length', '4096')
            self.end_headers()
            self.drip()
        elif mode == 'huge':
            self.send_response(200)
            self.send_header('Connection', 'close')
            self.end_headers()
            self.stream('GET', b'<!-- ' + b'x' * 65536 + b' -->', chunked=False)
        else:
            self.reply(200, description)

    def drip(self):
        """A byte every four seconds (an hour at most), till the host closes."""
        try:
            for _ in range(900):
                self.wfile.write(b' ')
                readable, _, _ = select.select([self.connection], [], [], 4)
                if readable and not self.connection.recv(1):
                    break
        except OSError:
            pass
        log('GET closed')

    def stream(self, what, block, chunked):
        sent = 0
        try:
            while sent < gib:
                self.wfile.write(b'%x\r\n%s\r\n' % (len(block), block) if chunked else block)
                sent += len(block)
        except OSError:
            log(f'{what} closed after {sent} bytes')

    def do_POST(self):
        body = self.rfile.read(int(self.headers.get('Content-Length', '0'))).decode('latin-1')
        action = self.headers.get('SOAPAction', '').strip('"').split('#')[-1]
        log(f'{action} {field(body, "NewExternalPort")}'.rstrip())
        values = {
            'GetStatusInfo': '<NewConnectionStatus>Connected</NewConnectionStatus>'
                             '<NewLastConnectionError>ERROR_NONE</NewLastConnectionError><NewUptime>1</NewUptime>',
            'GetExternalIPAddress': f'<NewExternalIPAddress>{external}</NewExternalIPAddress>',
            'AddAnyPortMapping': f'<NewReservedPort>{reserved}</NewReservedPort>',
            'DeletePortMapping': '',
        }
        if action == 'GetExternalIPAddress' and mode == 'endless':
            self.send_response(200)
            self.send_header('Transfer-Encoding', 'chunked')
            self.end_headers()
            return self.stream('POST', b'<s:Envelope><s:Body>' + b'<x>' * 1365, chunked=True)
        if action not in values:
            fault = ('<s:Fault><faultcode>s:Client</faultcode><faultstring>UPnPError</faultstring><detail>'
                     '<UPnPError xmlns="urn:schemas-upnp-org:control-1-0"><errorCode>718</errorCode>'
                     '<errorDescription>ConflictInMappingEntry</errorDescription></UPnPError></detail></s:Fault>')
            return self.reply(500, envelope(fault))
        self.reply(200, envelope(f'<u:{action}Response xmlns:u="{service}">{values[action]}</u:{action}Response>'))


def envelope(inner):
    return ('<?xml version="1.0"?><s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/" '
            's:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/"><s:Body>'
            f'{inner}</s:Body></s:Envelope>').encode('latin-1')


class Server(socketserver.ThreadingMixIn, HTTPServer):
    daemon_threads = True


def answer_searches():
    ssdp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    ssdp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    ssdp.bind(('', 1900))
    ssdp.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                    struct.pack('4s4s', socket.inet_aton('239.255.255.250'), socket.inet_aton(address)))
    while True:
        data, sender = ssdp.recvfrom(2048)
        text = data.decode('latin-1')
        if not text.startswith('M-SEARCH'):
            continue
        st = next((line.split(':', 1)[1].strip() for line in text.split('\r\n') if line.upper().startswith('ST:')), '')
        ssdp.sendto((f'HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=120\r\nST: {st}\r\n'
                     f'USN: uuid:6b6f7276-0000-0000-0000-000000000032::{st}\r\nEXT:\r\n'
                     f'SERVER: Linux UPnP/1.1 gateway/1.0\r\nLOCATION: http://{address}:5000/root.xml\r\n\r\n')
                    .encode(), sender)


server = Server((address, 5000), Gateway)
threading.Thread(target=answer_searches, daemon=True).start()
log('listening')
server.serve_forever()
