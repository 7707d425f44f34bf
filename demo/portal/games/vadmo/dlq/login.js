// The login of the demo portal's launcher page. A completed login sends the
// browser to /games/vadmo/login with the account name (percent-encoded as
// UTF-8), the time in Unix seconds and a signature; the launcher watches for
// that address and hands the query to the game loader.
//
// The signature is a stand-in with the real portal's shape (32 hex digits):
// four 32-bit FNV-1a hashes of the UTF-8 bytes of name + time, each from its
// own offset basis. It proves nothing and is not meant to.
(function (root) {
    "use strict";

    var BASES = [0x811c9dc5, 0x050c5d1f, 0x1b873593, 0xcc9e2d51];

    function utf8(text) {
        return new TextEncoder().encode(text);
    }

    function fnv1a(bytes, basis) {
        var hash = basis >>> 0;
        for (var i = 0; i < bytes.length; ++i) {
            hash ^= bytes[i];
            hash = Math.imul(hash, 0x01000193) >>> 0;
        }
        return hash;
    }

    function hex8(value) {
        return ("0000000" + value.toString(16)).slice(-8);
    }

    function sign(text) {
        var bytes = utf8(text);
        var out = "";
        for (var i = 0; i < BASES.length; ++i) out += hex8(fnv1a(bytes, BASES[i]));
        return out;
    }

    // The address for a name at a moment (Unix seconds, an integer).
    function loginAddress(name, seconds) {
        var time = String(Math.floor(seconds));
        return "/games/vadmo/login?userid=" + encodeURIComponent(name) +
            "&time=" + time + "&sign=" + sign(name + time);
    }

    function attach(doc) {
        var form = doc.getElementById("login");
        var user = doc.getElementById("userid");
        var message = doc.getElementById("message");
        form.addEventListener("submit", function (event) {
            event.preventDefault();
            var name = user.value;
            if (name.trim() === "") {
                message.textContent = "请输入账号";
                user.focus();
                return;
            }
            message.textContent = "";
            root.location.href = loginAddress(name, Date.now() / 1000);
        });
    }

    var api = { sign: sign, loginAddress: loginAddress, attach: attach };
    root.QuarrowLogin = api;
    if (typeof module === "object" && module.exports) module.exports = api;
})(typeof window !== "undefined" ? window : globalThis);
