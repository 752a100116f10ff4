// window.external for the program's own pages: the members exist before the page's scripts run,
// and calls made before the channel is connected wait in a queue and then go out in order.
(function () {
    'use strict';
    if (location.protocol !== '/*SCHEME*/:') return;

    // What the program registered: [{name, method}] or [{name, set, value}], filled in per page.
    var members = [/*MEMBERS*/];

    var queue = [];
    var target = null;
    function call(name, args) {
        if (target) target[name].apply(target, args);
        else queue.push([name, args]);
    }

    var external = {};
    members.forEach(function (member) {
        var name = member.name;
        if (member.method) {
            Object.defineProperty(external, name, {
                value: function () { call('Invoke', [name, Array.prototype.map.call(arguments, String)]); },
                enumerable: true
            });
            return;
        }
        Object.defineProperty(external, name, {
            get: function () { return member.value; },
            set: function (value) { if (member.set) call('Assign', [name, String(value)]); },
            enumerable: true
        });
    });
    Object.freeze(external);
    try {
        Object.defineProperty(window, 'external', { value: external, writable: false, configurable: false });
    } catch (e) {
        window.external = external;
    }

    // Pages look like part of the window: no text selection.
    document.addEventListener('DOMContentLoaded', function () {
        var style = document.createElement('style');
        style.textContent = '* { -webkit-user-select: none; user-select: none; }';
        (document.head || document.documentElement).appendChild(style);
    });

/*QWEBCHANNEL*/

    var tries = 0;
    function connect() {
        if (typeof qt === 'undefined' || !qt.webChannelTransport) {
            if (++tries < 500) setTimeout(connect, 10);
            return;
        }
        new QWebChannel(qt.webChannelTransport, function (channel) {
            target = channel.objects.external;
            var pending = queue;
            queue = [];
            pending.forEach(function (c) { target[c[0]].apply(target, c[1]); });
        });
    }
    connect();
})();
