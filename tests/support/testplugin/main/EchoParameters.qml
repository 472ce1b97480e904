import QtQuick 2.15

Item {
    function startEdition() {}
    function endEdition() {}
}
