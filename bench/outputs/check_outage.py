# What outage.sh left in its folder: the records stored during the outage at the broker and at the weather
# network (once, in order, their own time, how soon after the return), the live readings meanwhile, and
# over the whole run any record sent twice or skipped. The simulator runs in UTC here.
import datetime, os, re, sys, urllib.parse

os.chdir(sys.argv[1])
first, last = int(open('before.count').read()) + 1, int(open('after.count').read())
back = float(open('back.time').read())
lines = open('data/Nimbrel.dat', encoding='latin-1').read().splitlines()
fields = [[x.strip() for x in line.split(',')] for line in lines]
id_of_time = {f[2]: int(f[0]) for f in fields}
window = [(int(f[0]), datetime.datetime.strptime(f[2], '%Y-%m-%d %H:%M:%S')) for f in fields[first - 1:last]]

records, record_at, states = [], {}, []
for line in open('broker.log'):
    at, topic, payload = line.split(' ', 2)
    if topic == 'nimbrel/record':
        m = re.search(r'"id":(\d+),"time":"([^"]+)"', payload)
        records.append((int(m.group(1)), m.group(2)))
        record_at[records[-1]] = float(at)
    elif topic == 'nimbrel/state':
        states.append(float(at))
uploads, upload_at = [], {}
for line in open('requests.log'):
    at, path = line.split(' ', 1)
    date = urllib.parse.parse_qs(urllib.parse.urlparse(path.strip()).query)['dateutc'][0]
    uploads.append(date)
    upload_at.setdefault(date, float(at))

want_broker = [(i, t.strftime('%Y-%m-%dT%H:%M:%SZ')) for i, t in window]
want_server = [t.strftime('%Y-%m-%d %H:%M:%S') for _, t in window]
got_broker = [r for r in records if r in want_broker]
got_server = [u for u in uploads if u in want_server]
print('records stored during the outage:', len(window))
print('broker: each once %s, in order %s, the last %.1f s after the return' % (
    all(records.count(r) == 1 for r in want_broker), got_broker == want_broker,
    max(record_at[r] for r in want_broker) - back))
print('weather network: each once %s, in order %s, the last %.1f s after the return' % (
    all(uploads.count(u) == 1 for u in want_server), got_server == want_server,
    max(upload_at[u] for u in want_server) - back))
end = max(max(record_at[r] for r in want_broker), max(upload_at[u] for u in want_server))
live_states = [t for t in states if back < t <= end]
live_uploads = [upload_at[u] for u in uploads if u not in id_of_time and back < upload_at[u] <= end]
print('live readings from the return to the end of the catch-up: %d at the broker, %d at the weather network' % (
    len(live_states), len(live_uploads)))
ids = [i for i, _ in records]
sent = [id_of_time[u] for u in uploads if u in id_of_time]
for name, got in (('broker', ids), ('weather network', sent)):
    print('whole run, %s: %d stored records, IDs %d to %d, in order %s, skipped %s, twice %d' % (
        name, len(got), min(got), max(got), got == sorted(got), sorted(set(range(min(got), max(got) + 1)) - set(got)),
        len(got) - len(set(got))))
print('last record stored: ID', fields[-1][0])
