// The program opens this page as welcome.html?<information page address>?<random number>; the
// information page is shown below the greeting, the random number keeping caches out of the way.
'use strict';

document.addEventListener('DOMContentLoaded', function () {
    var address = window.location.search.substring(1);
    if (/^https?:\/\//i.test(address)) {
        var frame = document.getElementById('info');
        frame.src = address;
        frame.classList.remove('hidden');
    }
});
