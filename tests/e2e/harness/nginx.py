"""nginx for the tests: the stage's server (stage.nginx) with test-only redirect
and slow locations besides the maker's configuration."""
from stage import nginx

from .paths import SERVER_HOST, SERVER_PORT


def chain_locations(hops, target, host=SERVER_HOST, port=SERVER_PORT):
    """Locations /chain<hops>/h0/ ... that redirect (302, absolute) hops times,
    the last hop to target (a path ending in "/"); the rest of the path is kept."""
    out = []
    for k in range(hops):
        nxt = "/chain%d/h%d/" % (hops, k + 1) if k + 1 < hops else target
        out.append('location ~ ^/chain%d/h%d/(.*)$ { return 302 http://%s:%d%s$1; }'
                   % (hops, k, host, port, nxt))
    return out


def default_locations(host=SERVER_HOST, port=SERVER_PORT):
    """Redirects used by the tests:
    /moved/X     -> 302 http://host:port/r/X (absolute)
    /relative/X  -> 302 /r/X (relative Location, not followed by the launcher)
    /gone/...    -> 404
    /chain9/h0/X and /chain10/h0/X -> 9 or 10 redirects, ending at /r/chain/X
    /r/slow/...  -> served at 300 kB/s"""
    locs = [
        'if ($uri ~ ^/r/slow/) { set $limit_rate 300k; }',
        'location ~ ^/moved/(.*)$ { return 302 http://%s:%d/r/$1; }' % (host, port),
        'location ~ ^/relative/(.*)$ { absolute_redirect off; return 302 /r/$1; }',
        'location /gone/ { return 404; }',
    ]
    locs += chain_locations(9, "/r/chain/", host, port)
    locs += chain_locations(10, "/r/chain/", host, port)
    return locs


class Nginx(nginx.Nginx):
    def __init__(self, root, prefix, port=SERVER_PORT, locations=None, **options):
        super().__init__(root, prefix, port, default_locations(port=port) if locations is None else locations,
                         **options)
