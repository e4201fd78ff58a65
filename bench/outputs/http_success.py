# A weather network that takes every upload: answers "success" and logs "<epoch seconds> <path>".
import http.server, sys, time

class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(sys.argv[2], 'a') as log:
            log.write('%.3f %s\n' % (time.time(), self.path))
        self.send_response(200)
        self.end_headers()
        self.wfile.write(b'success\n')

    def log_message(self, *args):
        pass

http.server.HTTPServer(('127.0.0.1', int(sys.argv[1])), Handler).serve_forever()
